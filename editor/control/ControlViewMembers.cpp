// Members that move the view and drive the player, and the about box.

#include "CSonarch2Ctrl.h"
#include "ControlCall.h"
#include "ControlMembers.h"
#include "WaveViewMath.h"

#include <QMessageBox>

namespace members {
namespace {

// Frames of one pan step at the present zoom; an extreme factor saturates
// instead of wrapping to the other end.
int32_t PanStep(const CControlParts& p)
{
    return WaveViewTrunc(p.m_fPanFactor / p.m_view.GetZoom());
}

}  // namespace

int Play(CControlCall& call) { return call.Parts().m_player.Play(); }
int Record(CControlCall& call, float fMaxTime) { return call.Parts().m_player.Record(fMaxTime); }

int Pause(CControlCall& call)
{
    call.Parts().m_player.Pause();
    return 1;
}

int Continue(CControlCall& call)
{
    call.Parts().m_player.Continue();
    return 1;
}

int Stop(CControlCall& call)
{
    call.Parts().m_player.Stop();
    return 1;
}

void PanLeft(CControlCall& call) { call.Parts().m_view.PanLeft(PanStep(call.Parts())); }
void PanRight(CControlCall& call) { call.Parts().m_view.PanRight(PanStep(call.Parts())); }

void ZoomIn(CControlCall& call)
{
    CControlParts& p = call.Parts();
    p.m_view.SetZoom(p.m_view.GetZoom() * p.m_fZoomFactor);
}

void ZoomOut(CControlCall& call)
{
    CControlParts& p = call.Parts();
    p.m_view.SetZoom(p.m_view.GetZoom() / p.m_fZoomFactor);
}

void ScrollTo(CControlCall& call, int lPos) { call.Parts().m_view.ScrollTo(lPos); }

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
