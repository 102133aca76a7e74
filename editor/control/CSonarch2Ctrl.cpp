#include "CSonarch2Ctrl.h"

#include "TypeLib.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>

using sonarch2::EventChangeMouse;
using sonarch2::EventChangePlayer;
using sonarch2::EventChangeView;
using sonarch2::EventProgress;

CSonarch2Ctrl::CSonarch2Ctrl(QWidget* parent)
    : QWidget(parent),
      m_parts(std::make_shared<CControlParts>()),
      m_soundFile(m_parts->m_soundFile),
      m_wave(m_parts->m_wave),
      m_view(m_parts->m_view),
      m_player(m_parts->m_player),
      m_effects(m_parts->m_effects),
      m_dispatch(this)
{
    SetControlEvents(this);
    m_view.SetControl(this);
    m_wave.Reset();

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
    m_view.SetControl(nullptr);
    if (g_pControl == this)
        SetControlEvents(nullptr);
    m_player.Stop();
}

// --- Events ---------------------------------------------------------------------
// A Qt host may destroy the control from a slot; the sinks are then not called.

void CSonarch2Ctrl::FireProgress(float percent)
{
    const QPointer<CSonarch2Ctrl> self(this);
    emit Progress(percent);
    if (self)
        m_dispatch.FireEvent(EventProgress, {percent});
}

void CSonarch2Ctrl::FireChangeView()
{
    const QPointer<CSonarch2Ctrl> self(this);
    emit ChangeView();
    if (self)
        m_dispatch.FireEvent(EventChangeView);
}

void CSonarch2Ctrl::FireChangePlayer()
{
    const QPointer<CSonarch2Ctrl> self(this);
    emit ChangePlayer();
    if (self)
        m_dispatch.FireEvent(EventChangePlayer);
}

void CSonarch2Ctrl::FireChangeMouse(int32_t sample)
{
    const QPointer<CSonarch2Ctrl> self(this);
    emit ChangeMouse(sample);
    if (self)
        m_dispatch.FireEvent(EventChangeMouse, {static_cast<int>(sample)});
}

void CSonarch2Ctrl::ShowMessage(const std::string& text, const std::string& caption)
{
    QMessageBox box(QMessageBox::NoIcon, QString::fromLocal8Bit(caption.c_str()),
                    QString::fromLocal8Bit(text.c_str()), QMessageBox::Ok);
    box.exec();
}

void CSonarch2Ctrl::PumpMessages()
{
    QCoreApplication::processEvents();
}

// --- Drawing and mouse --------------------------------------------------------------
// Every step that fires an event may end in host code that destroys the
// control; the handlers and methods below work on the parts held by their
// CallGuard and look at the control's own members only while it exists.

void CSonarch2Ctrl::paintEvent(QPaintEvent* event)
{
    if (!m_bInitialized)
        return;
    QPainter painter(this);
    const QRect bounds = rect();
    if (m_view.BoundsChanged(bounds))
        m_view.Resize(bounds);
    m_view.Paint(painter, bounds, event->rect());
}

void CSonarch2Ctrl::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_bMouseDown = true;
    m_bDragging = false;
    if (IsBusy())
        return;
    const CallGuard g(this);
    CControlParts& p = *g.parts;
    p.m_view.SetCursorFromX(static_cast<int>(event->position().x()));
    p.m_view.ClearSelectionMarks();
    p.m_wave.Deselect();
    // Qt keeps delivering moves and the release to the widget that took the
    // press, which is the mouse capture the drag needs.
    p.m_view.Repaint();
    if (!g.ControlGone())
        FireChangeView();
}

void CSonarch2Ctrl::mouseMoveEvent(QMouseEvent* event)
{
    int x = static_cast<int>(event->position().x());
    const CallGuard g(this);
    CControlParts& p = *g.parts;
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
    const CallGuard g(this);
    if (m_bDragging) {
        m_bDragging = false;
        g.parts->m_view.EndSelection(static_cast<int>(event->position().x()));
        if (g.ControlGone())
            return;
    }
    unsetCursor();
    m_view.Repaint();
}

// --- Files ------------------------------------------------------------------------------

int CSonarch2Ctrl::Load(const QString& sFileName, int lFormat)
{
    if (IsBusy())
        return 0;
    const CallGuard g(this);
    CControlParts& p = *g.parts;
    p.m_player.Stop();
    p.m_soundFile.ResetSettings();
    if (!p.m_wave.CreateNew(p.m_wave.m_nChannels, p.m_wave.m_nSamplesPerSec, p.m_wave.m_nBitsPerSample))
        return 0;
    p.m_view.ResetView();
    const int result = p.m_soundFile.LoadFile(sFileName.toLocal8Bit().toStdString(), lFormat);
    if (g.ControlGone())
        return result;
    // One thirty-sixth of the length, computed in double as the constant is.
    m_fPanFactor = static_cast<float>(p.m_wave.m_nLength * 0.027777778);
    p.m_view.ResetView();
    if (!g.ControlGone())
        FireChangeView();
    return result;
}

int CSonarch2Ctrl::NewFile(int lChannels, int lSamplesPerSec, int lBitsPerSample)
{
    if (IsBusy())
        return 0;
    const CallGuard g(this);
    CControlParts& p = *g.parts;
    p.m_soundFile.ResetSettings();
    const bool created = p.m_wave.CreateNew(lChannels, lSamplesPerSec, lBitsPerSample);
    p.m_view.ResetView();
    return created ? 1 : 0;
}

int CSonarch2Ctrl::Close()
{
    if (IsBusy())
        return 0;
    const CallGuard g(this);
    CControlParts& p = *g.parts;
    p.m_soundFile.ResetSettings();
    p.m_player.Stop();
    p.m_wave.Reset();
    p.m_view.Repaint();
    return 1;
}

int CSonarch2Ctrl::Save()
{
    if (IsBusy())
        return 0;
    const CallGuard g(this);
    return g.parts->m_soundFile.SaveFile();
}

int CSonarch2Ctrl::SaveAs(const QString& sFileName, int lFormat)
{
    if (IsBusy())
        return 0;
    const CallGuard g(this);
    g.parts->m_soundFile.SaveFileAs(sFileName.toLocal8Bit().toStdString(), lFormat);
    // The writer's result is not reported here; FileName names what was written.
    return 1;
}

// --- Player --------------------------------------------------------------------------------

int CSonarch2Ctrl::Play()
{
    const CallGuard g(this);
    return g.parts->m_player.Play();
}

int CSonarch2Ctrl::Pause()
{
    const CallGuard g(this);
    g.parts->m_player.Pause();
    return 1;
}

int CSonarch2Ctrl::Continue()
{
    const CallGuard g(this);
    g.parts->m_player.Continue();
    return 1;
}

int CSonarch2Ctrl::Stop()
{
    const CallGuard g(this);
    g.parts->m_player.Stop();
    return 1;
}

int CSonarch2Ctrl::Record(float fMaxTime)
{
    const CallGuard g(this);
    return g.parts->m_player.Record(fMaxTime);
}

// --- View ------------------------------------------------------------------------------------

void CSonarch2Ctrl::PanLeft()
{
    const CallGuard g(this);
    g.parts->m_view.PanLeft(static_cast<int32_t>(m_fPanFactor / g.parts->m_view.GetZoom()));
}

void CSonarch2Ctrl::PanRight()
{
    const CallGuard g(this);
    g.parts->m_view.PanRight(static_cast<int32_t>(m_fPanFactor / g.parts->m_view.GetZoom()));
}

void CSonarch2Ctrl::ZoomIn()
{
    const CallGuard g(this);
    g.parts->m_view.SetZoom(g.parts->m_view.GetZoom() * m_fZoomFactor);
}

void CSonarch2Ctrl::ZoomOut()
{
    const CallGuard g(this);
    g.parts->m_view.SetZoom(g.parts->m_view.GetZoom() / m_fZoomFactor);
}

void CSonarch2Ctrl::ScrollTo(int lPos)
{
    const CallGuard g(this);
    g.parts->m_view.ScrollTo(lPos);
}

float CSonarch2Ctrl::DoFade(float FadeStart, float FadeEnd, int /*nPercent*/)
{
    const CallGuard g(this);
    CWaveView& view = g.parts->m_view;
    // The two factors differ: 3.98 for the start, 3.9 for the end.
    view.SetCursorX(static_cast<int32_t>(FadeStart * 3.98));
    view.BeginSelection();
    view.Repaint();
    if (!g.ControlGone())
        FireChangeView();
    view.EndSelection(static_cast<int32_t>(FadeEnd * 3.9));
    view.Repaint();
    return 1.0f;
}

int CSonarch2Ctrl::ManualSelect(double, double)
{
    return 0;
}

// --- Editing ---------------------------------------------------------------------------------
// The document's results are not looked at: an edit that was not refused
// answers 1, also with an empty selection or clipboard.

int CSonarch2Ctrl::Delete()
{
    if (IsBusy())
        return 0;
    const CallGuard g(this);
    CControlParts& p = *g.parts;
    p.m_wave.SaveUndo(UndoReinsert);
    p.m_wave.DeleteSelection();
    p.m_view.Refresh();
    return 1;
}

int CSonarch2Ctrl::Cut()
{
    if (IsBusy())
        return 0;
    const CallGuard g(this);
    g.parts->m_wave.CopyToClipboard();
    if (g.ControlGone())
        return 1;
    return Delete();
}

int CSonarch2Ctrl::Copy()
{
    if (IsBusy())
        return 0;
    const CallGuard g(this);
    g.parts->m_wave.CopyToClipboard();
    return 1;
}

int CSonarch2Ctrl::Paste()
{
    if (IsBusy())
        return 0;
    const CallGuard g(this);
    CControlParts& p = *g.parts;
    if (p.m_wave.PasteFromClipboard())
        p.m_wave.SaveUndo(UndoRemove);
    p.m_view.Refresh();
    return 1;
}

void CSonarch2Ctrl::Undo()
{
    if (IsBusy())
        return;
    const CallGuard g(this);
    g.parts->m_wave.Undo();
    g.parts->m_view.Refresh();
}

void CSonarch2Ctrl::SelectAll()
{
    if (IsBusy())
        return;
    const CallGuard g(this);
    g.parts->m_wave.SelectAll();
    g.parts->m_view.Refresh();
}

void CSonarch2Ctrl::DeSelect()
{
    if (IsBusy())
        return;
    const CallGuard g(this);
    g.parts->m_wave.Deselect();
    g.parts->m_view.Refresh();
}

float CSonarch2Ctrl::SamplesToTime(int lSample)
{
    return static_cast<float>(m_wave.FramesToSeconds(lSample));
}

int CSonarch2Ctrl::TimeToSample(float fTime)
{
    return m_wave.SecondsToFrames(fTime);
}

// --- Effects -----------------------------------------------------------------------------------

int CSonarch2Ctrl::RunEffect(int32_t kind, float arg1, float arg2)
{
    if (IsBusy())
        return 0;
    const CallGuard g(this);
    CControlParts& p = *g.parts;
    p.m_wave.SaveUndo(UndoRestore);
    p.m_effects.ApplyEffect(kind, arg1, arg2);
    p.m_view.Refresh();
    return 1;
}

int CSonarch2Ctrl::FxAmplify(float fGain) { return RunEffect(FxKindAmplify, fGain); }
int CSonarch2Ctrl::FxFadeIn() { return RunEffect(FxKindFadeIn); }
int CSonarch2Ctrl::FxFadeOut() { return RunEffect(FxKindFadeOut); }
int CSonarch2Ctrl::FxInvert() { return RunEffect(FxKindInvert); }
int CSonarch2Ctrl::FxLowPassFilter(float fFCut) { return RunEffect(FxKindLowPass, fFCut); }
int CSonarch2Ctrl::FxHighPassFilter(float fFCut) { return RunEffect(FxKindHighPass, fFCut); }
int CSonarch2Ctrl::FxEcho(float fDelay, float fDecay) { return RunEffect(FxKindEcho, fDelay, fDecay); }
int CSonarch2Ctrl::FxReverse() { return RunEffect(FxKindReverse); }
int CSonarch2Ctrl::FxBandPassFilter(float fFLow, float fFHigh) { return RunEffect(FxKindBandPass, fFLow, fFHigh); }
int CSonarch2Ctrl::FxBandStopFilter(float fFLow, float fFHigh) { return RunEffect(FxKindBandStop, fFLow, fFHigh); }
int CSonarch2Ctrl::FxBassBoost(float fFrecuency, float fGain) { return RunEffect(FxKindBassBoost, fFrecuency, fGain); }

int CSonarch2Ctrl::FxNoiseRemoval(bool bGetProfile, bool bLevel)
{
    return RunEffect(FxKindNoiseRemoval, bGetProfile ? 1.0f : 0.0f, bLevel ? 1.0f : 0.0f);
}

int CSonarch2Ctrl::FxInsertSilence(float fTime)
{
    if (IsBusy())
        return 0;
    const CallGuard g(this);
    CControlParts& p = *g.parts;
    // The undo record comes after the insertion, so that Undo removes it.
    p.m_effects.ApplyEffect(FxKindInsertSilence, fTime);
    p.m_wave.SaveUndo(UndoRemove);
    p.m_view.Refresh();
    return 1;
}

int CSonarch2Ctrl::FxSilence()
{
    if (IsBusy())
        return 0;
    const CallGuard g(this);
    g.parts->m_wave.SaveUndo(UndoRestore);
    if (g.ControlGone())
        return 1;
    FxAmplify(0.0f);
    if (!g.ControlGone())
        g.parts->m_view.Refresh();
    return 1;
}

// --- Properties -----------------------------------------------------------------------------------

void CSonarch2Ctrl::SetFormatMember(int32_t& member, int value)
{
    // The format of a document is the file's, except for raw data, whose
    // format only the host knows.
    if (IsBusy())
        return;
    if (m_soundFile.m_nFormat == FormatRaw)
        member = value;
    SetModifiedFlag();
}

void CSonarch2Ctrl::SetBitsPerSample(int bits) { SetFormatMember(m_wave.m_nBitsPerSample, bits); }
void CSonarch2Ctrl::SetChannels(int channels) { SetFormatMember(m_wave.m_nChannels, channels); }
void CSonarch2Ctrl::SetSamplesPerSec(int rate) { SetFormatMember(m_wave.m_nSamplesPerSec, rate); }

void CSonarch2Ctrl::SetPanFactor(float factor) { m_fPanFactor = factor; SetModifiedFlag(); }
void CSonarch2Ctrl::SetZoomFactor(float factor) { m_fZoomFactor = factor; SetModifiedFlag(); }
void CSonarch2Ctrl::SetTop(int top) { m_view.SetTop(top); SetModifiedFlag(); }
void CSonarch2Ctrl::SetLeft(int left) { m_view.SetLeft(left); SetModifiedFlag(); }
void CSonarch2Ctrl::SetWidth(int width) { m_view.SetWidth(width); SetModifiedFlag(); }
void CSonarch2Ctrl::SetHeight(int height) { m_view.SetHeight(height); SetModifiedFlag(); }
void CSonarch2Ctrl::SetZoom(float zoom) { m_view.SetZoom(zoom); SetModifiedFlag(); }
void CSonarch2Ctrl::SetBackColor(uint colour) { m_view.SetBackColor(colour); SetModifiedFlag(); }
void CSonarch2Ctrl::SetWaveColor(uint colour) { m_view.SetWaveColor(colour); SetModifiedFlag(); }
void CSonarch2Ctrl::SetCursorColor(uint colour) { m_view.SetCursorColor(colour); SetModifiedFlag(); }
void CSonarch2Ctrl::SetPlayLoop(bool loop) { m_player.m_bLoop = loop; SetModifiedFlag(); }
void CSonarch2Ctrl::SetBitRate(int bitRate) { m_soundFile.m_nBitRate = bitRate; SetModifiedFlag(); }

void CSonarch2Ctrl::SetFileName(const QString& name)
{
    m_soundFile.m_strFileName = name.toLocal8Bit().toStdString();
    SetModifiedFlag();
}

void CSonarch2Ctrl::SetWAVFormat(int tag)
{
    m_soundFile.m_wWavFormat = static_cast<uint16_t>(tag & 0xFFFF);
    SetModifiedFlag();
}

// --- About --------------------------------------------------------------------------------------------

void CSonarch2Ctrl::AboutBox()
{
    QMessageBox box(QMessageBox::Information, QStringLiteral("About Sonarch2"),
                    QStringLiteral("Sonarch2 Active X Control, Version 2.0"), QMessageBox::Ok, this);
    box.exec();
}
