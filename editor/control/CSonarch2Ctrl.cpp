#include "CSonarch2Ctrl.h"

#include "ControlCall.h"
#include "Dispatch.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>

using namespace sonarch2;

CSonarch2Ctrl::CSonarch2Ctrl(QWidget* parent)
    : QWidget(parent), m_parts(std::make_shared<CControlParts>()), m_pDispatch(CDispatch::Create(this))
{
    SetControlEvents(this);
    m_parts->m_view.SetControl(this);
    m_parts->m_wave.Reset();

    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    // A new control is initialised with its defaults at once; painting may start.
    m_bInitialized = true;
}

CSonarch2Ctrl::~CSonarch2Ctrl()
{
    // A call may still be running on the parts (the host destroyed the
    // control from one of Play's message steps). It must find no window and
    // no host to report to, and a stopped player, so that it ends at once.
    m_parts->m_view.SetControl(nullptr);
    if (g_pControl == this)
        SetControlEvents(nullptr);
    m_parts->m_player.Stop();
    m_pDispatch->ControlDestroyed();
    m_pDispatch->Release();
}

// --- Events ---------------------------------------------------------------------
// A Qt host may destroy the control from a slot, a sink from its handler.

bool CSonarch2Ctrl::EmitEvent(int32_t dispid, const QVariantList& args)
{
    const QPointer<CSonarch2Ctrl> self(this);
    switch (dispid) {
    case EventProgress: emit Progress(args.value(0).toFloat()); break;
    case EventChangeView: emit ChangeView(); break;
    case EventChangePlayer: emit ChangePlayer(); break;
    case EventChangeMouse: emit ChangeMouse(args.value(0).toInt()); break;
    default: break;
    }
    if (!self)
        return false;
    // The sinks belong to the dispatch object, which outlives the control
    // while the loop runs.
    CDispatch* dispatch = m_pDispatch;
    dispatch->AddRef();
    dispatch->FireEvent(dispid, args);
    dispatch->Release();
    return !self.isNull();
}

void CSonarch2Ctrl::FireProgress(float percent) { static_cast<void>(EmitEvent(EventProgress, {percent})); }
void CSonarch2Ctrl::FireChangeView() { static_cast<void>(EmitEvent(EventChangeView)); }
void CSonarch2Ctrl::FireChangePlayer() { static_cast<void>(EmitEvent(EventChangePlayer)); }

void CSonarch2Ctrl::FireChangeMouse(int32_t sample)
{
    static_cast<void>(EmitEvent(EventChangeMouse, {static_cast<int>(sample)}));
}

void CSonarch2Ctrl::ShowMessage(const std::string& text, const std::string& caption)
{
    QMessageBox box(QMessageBox::NoIcon, QString::fromLocal8Bit(caption.c_str()),
                    QString::fromLocal8Bit(text.c_str()), QMessageBox::Ok);
    box.exec();
}

void CSonarch2Ctrl::PumpMessages()
{
    constexpr qint64 kStepNs = 1'000'000;
    if (m_sinceMessages.isValid() && m_sinceMessages.nsecsElapsed() < kStepNs)
        return;
    QCoreApplication::processEvents();
    m_sinceMessages.start();
}

// --- Drawing and mouse --------------------------------------------------------------
// The handlers run as calls (ControlCall.h): they work on the parts the call
// holds and stop when an event they fired destroyed the control.

void CSonarch2Ctrl::paintEvent(QPaintEvent* event)
{
    if (!m_bInitialized)
        return;
    QPainter painter(this);
    const QRect bounds = rect();
    CWaveView& view = m_parts->m_view;
    if (view.BoundsChanged(bounds))
        view.Resize(bounds);
    view.Paint(painter, bounds, event->rect());
}

void CSonarch2Ctrl::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_bMouseDown = true;
    m_bDragging = false;
    if (IsBusy())
        return;
    CControlCall call(*this);
    CControlParts& p = call.Parts();
    p.m_view.SetCursorFromX(static_cast<int>(event->position().x()));
    p.m_view.ClearSelectionMarks();
    p.m_wave.Deselect();
    // Qt keeps delivering moves and the release to the widget that took the
    // press, which is the mouse capture the drag needs.
    p.m_view.Repaint();
    static_cast<void>(call.FireChangeView());
}

void CSonarch2Ctrl::mouseMoveEvent(QMouseEvent* event)
{
    int x = static_cast<int>(event->position().x());
    CControlCall call(*this);
    CControlParts& p = call.Parts();
    if (m_bMouseDown) {
        if (!m_bDragging && p.m_wave.m_nLength > 0 && !IsBusy()) {
            m_bDragging = true;
            setCursor(Qt::SizeHorCursor);
            p.m_view.BeginSelection();
        }
        if (m_bDragging)
            p.m_view.TrackSelection(x);
    }
    x = std::clamp(x, 0, std::max(0, p.m_view.GetWidth()));
    FireChangeMouse(p.m_view.XToFrame(x));
}

void CSonarch2Ctrl::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_bMouseDown = false;
    if (IsBusy())
        return;
    CControlCall call(*this);
    if (m_bDragging) {
        m_bDragging = false;
        call.Parts().m_view.EndSelection(static_cast<int>(event->position().x()));
        if (!call.Alive())
            return;
    }
    unsetCursor();
    call.Parts().m_view.Repaint();
}
