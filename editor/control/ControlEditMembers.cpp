// Members that select and edit the document, and the about box. The
// document's results are not looked at: an edit that was not refused
// answers 1, also with an empty selection or clipboard.

#include "ControlCall.h"
#include "ControlMembers.h"
#include "WaveViewMath.h"

#include <QMessageBox>

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

int Paste(CControlCall& call)
{
    CControlParts& p = call.Parts();
    if (p.m_wave.PasteFromClipboard())
        p.m_wave.SaveUndo(UndoRemove);
    p.m_view.RefreshAfterEdit();
    return 1;
}

float DoFade(CControlCall& call, float FadeStart, float FadeEnd, int /*nPercent*/)
{
    CWaveView& view = call.Parts().m_view;
    // The two factors differ: 3.98 for the start, 3.9 for the end.
    view.SetCursorX(WaveViewTrunc(FadeStart * 3.98));
    view.BeginSelection();
    view.Repaint();
    static_cast<void>(call.FireChangeView());
    view.EndSelection(WaveViewTrunc(FadeEnd * 3.9));
    view.Repaint();
    return 1.0f;
}

void AboutBox(CControlCall& call)
{
    QMessageBox box(QMessageBox::Information, QStringLiteral("About Sonarch2"),
                    QStringLiteral("Sonarch2 Active X Control, Version 2.0"), QMessageBox::Ok, call.Control());
    box.exec();
}

}  // namespace members
