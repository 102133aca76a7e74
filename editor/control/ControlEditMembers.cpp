// Members that select and edit the document, and its time conversions.
// The document's results are not looked at: an edit that was not refused
// answers 1, also with an empty selection or clipboard.

#include "ControlCall.h"
#include "ControlMembers.h"

namespace members {

int Delete(CControlCall& call)
{
    CControlParts& p = call.Parts();
    p.m_wave.SaveUndo(UndoReinsert);
    p.m_wave.DeleteSelection();
    p.m_view.RefreshAfterEdit();
    return 1;
}

int Cut(CControlCall& call)
{
    call.Parts().m_wave.CopyToClipboard();
    // A failed copy shows a message box, whose message loop may run host code.
    if (!call.Alive())
        return 1;
    return Delete(call);
}

int Copy(CControlCall& call)
{
    call.Parts().m_wave.CopyToClipboard();
    return 1;
}

int Paste(CControlCall& call)
{
    CControlParts& p = call.Parts();
    if (p.m_wave.PasteFromClipboard())
        p.m_wave.SaveUndo(UndoRemove);
    p.m_view.RefreshAfterEdit();
    return 1;
}

void Undo(CControlCall& call)
{
    call.Parts().m_wave.Undo();
    call.Parts().m_view.RefreshAfterEdit();
}

void SelectAll(CControlCall& call)
{
    call.Parts().m_wave.SelectAll();
    call.Parts().m_view.Refresh();
}

void DeSelect(CControlCall& call)
{
    call.Parts().m_wave.Deselect();
    call.Parts().m_view.Refresh();
}

float SamplesToTime(CControlCall& call, int lSample)
{
    return static_cast<float>(call.Parts().m_wave.FramesToSeconds(lSample));
}

int TimeToSample(CControlCall& call, float fTime)
{
    return call.Parts().m_wave.SecondsToFrames(fTime);
}

int ManualSelect(CControlCall&, double, double)
{
    return 0;
}

}  // namespace members
