// Members that run the effects processor over the selection, each with its
// undo record. Those that only hand their arguments on are Effect rows.

#include "ControlCall.h"
#include "ControlMembers.h"

namespace members {

int RunEffect(CControlCall& call, int32_t kind, float arg1, float arg2)
{
    CControlParts& p = call.Parts();
    p.m_wave.SaveUndo(UndoRestore);
    p.m_effects.ApplyEffect(kind, arg1, arg2);
    p.m_view.RefreshAfterEdit();
    return 1;
}

int FxNoiseRemoval(CControlCall& call, bool bGetProfile, bool bLevel)
{
    return RunEffect(call, FxKindNoiseRemoval, bGetProfile ? 1.0f : 0.0f, bLevel ? 1.0f : 0.0f);
}

int FxInsertSilence(CControlCall& call, float fTime)
{
    CControlParts& p = call.Parts();
    // The undo record comes after the insertion, so that Undo removes it.
    p.m_effects.ApplyEffect(FxKindInsertSilence, fTime);
    p.m_wave.SaveUndo(UndoRemove);
    p.m_view.RefreshAfterEdit();
    return 1;
}

int FxSilence(CControlCall& call)
{
    // Amplifying by zero keeps its own undo record of the selection.
    RunEffect(call, FxKindAmplify, 0.0f);
    call.Parts().m_view.Refresh();
    return 1;
}

}  // namespace members
