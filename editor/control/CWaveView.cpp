// The view's scale arithmetic, its view-range navigation, cursor and selection.
// Painting is in WaveViewPaint.cpp, the window properties in WaveViewWindow.cpp.
//
// The float arithmetic below is kept operation for operation as the view has
// always computed it (single precision, left to right, truncation toward zero),
// because hosts compare positions that come out of it.

#include "CWaveView.h"

#include "wave/ZeroCrossing.h"

#include "WaveViewMath.h"
#include "WaveViewPlayer.h"
#include "wave/CRMWave.h"
#include "wave/ControlEvents.h"

#include <algorithm>
#include <cmath>

CWaveView::CWaveView()
    : m_penFrame(QColor(0, 0, 0), 1, Qt::SolidLine),
      m_penCursor(QColor(255, 0, 0), 1, Qt::SolidLine),
      m_penWave(QColor(0, 0, 200), 1, Qt::SolidLine),
      m_brBack(QColor(150, 150, 150), Qt::SolidPattern)
{
}

CWaveView::~CWaveView() = default;

// --- Helpers ----------------------------------------------------------------

int32_t CWaveView::DocumentLength() const
{
    return m_pWave ? m_pWave->m_nLength : 0;
}

// Wider documents show their first two channels.
int32_t CWaveView::DrawnChannels() const
{
    if (!m_pWave)
        return 0;
    return std::clamp(m_pWave->m_nChannels, 0, kMaxChannels);
}

bool CWaveView::PlayCursorShown() const
{
    if (!m_pPlayer || DocumentLength() <= 0)
        return false;
    const int32_t status = m_pPlayer->GetPlayerStatus();
    return status == 1 || status == 3;
}

int32_t CWaveView::FrameToX(int64_t frameOffset) const
{
    return WaveViewTrunc(static_cast<float>(frameOffset) * m_fPointsPerFrame * m_fPixelsPerPoint);
}

void CWaveView::FireChangeView() const
{
    g_pControl->FireChangeView();
}

// --- The three scale steps ----------------------------------------------------

void CWaveView::Step()
{
    m_nPoints = kPoints;
    const int32_t viewLength = m_pWave ? m_pWave->GetViewLength() : 0;
    m_fFramesPerPoint = static_cast<float>(viewLength) * (1.0f / 4096.0f);
}

void CWaveView::Scale()
{
    const int32_t height = m_rcBounds.Height();
    const int32_t channels = DrawnChannels();
    const int32_t bits = m_pWave ? m_pWave->m_nBitsPerSample : 16;
    const float levels = std::ldexp(1.0f, bits);  // 2^bits
    if (height == 0 || channels <= 0)
        m_fLevelScale = 0.0f;
    else if (channels == 1)
        m_fLevelScale = static_cast<float>(height - 2) / levels;
    else
        m_fLevelScale = static_cast<float>(height - 8) / levels / static_cast<float>(channels);

    const int32_t viewLength = m_pWave ? m_pWave->GetViewLength() : 0;
    m_fPointsPerFrame = viewLength == 0
        ? 0.0f
        : static_cast<float>(m_nPoints) / static_cast<float>(viewLength);
    m_fPixelsPerPoint = m_nPoints == 0
        ? 0.0f
        : static_cast<float>(m_rcBounds.Width() - 2) / static_cast<float>(m_nPoints);
}

void CWaveView::Points()
{
    if (!m_pWave || m_pWave->m_nLength <= 0 || m_pWave->m_nChannels <= 0)
        return;
    const int32_t channels = DrawnChannels();
    const int32_t count = std::min(m_nPoints, kPoints);
    const LevelSource source{m_pWave, m_pWave->DataChanges(), m_pWave->m_nViewBegin, m_fFramesPerPoint, count,
                             channels, m_pWave->m_nChannels,  m_pWave->m_nBitsPerSample};
    const bool reread = !(source == m_levelSource);
    for (int32_t j = 0; j < count; ++j) {
        const float fj = static_cast<float>(j);
        auto& levels = m_levels[static_cast<std::size_t>(j)];
        if (reread) {
            const int32_t frame = WaveViewClamp64(
                int64_t{WaveViewTrunc(fj * m_fFramesPerPoint)} + m_pWave->m_nViewBegin);
            m_pWave->GetLevels(frame, levels.data(), channels);
        }
        const int32_t x = WaveViewTrunc(m_fFramesPerPoint * m_fPixelsPerPoint * m_fPointsPerFrame * fj);
        for (int32_t c = 0; c < channels; ++c) {
            const float level = static_cast<float>(levels[static_cast<std::size_t>(c)]);
            m_ptWave[c][j] = QPoint(x, WaveViewTrunc(level * m_fLevelScale));
        }
    }
    m_levelSource = source;
}

void CWaveView::UpdatePixels()
{
    if (!m_pWave)
        return;
    const int64_t begin = m_pWave->m_nViewBegin;
    m_nCursorX = FrameToX(m_pWave->m_nCursor - begin);
    m_nPlayX = m_nCursorX;
    m_nSelX1 = FrameToX(m_pWave->m_nSelBegin - begin);
    m_nSelX2 = FrameToX(m_pWave->m_nSelEnd - begin);
}

// --- Bounds -------------------------------------------------------------------

bool CWaveView::BoundsChanged(const QRect& bounds) const
{
    return !(WaveViewRect::FromQRect(bounds) == m_rcBounds);
}

void CWaveView::Resize(const QRect& bounds)
{
    m_rcBounds = WaveViewRect::FromQRect(bounds);
    if (m_rcBounds.right > 0 && m_rcBounds.bottom > 0) {
        m_bmBack = QImage(m_rcBounds.right, m_rcBounds.bottom, QImage::Format_RGB32);
        m_bmBack.fill(m_brBack.color());
    } else {
        m_bmBack = QImage();
    }
    m_bPlayDrawn = false;
    Step();
    Scale();
    Points();
    FireChangeView();
}

// --- View range -------------------------------------------------------------

void CWaveView::PlaceZoom(float zoom)
{
    m_fZoom = zoom;
    CRMWave& w = *m_pWave;
    // A cursor left past the end by a deletion, or the selection of an undone
    // insertion at the end, lies outside the document; centred there the view
    // would begin after it ends.
    const int64_t centre = std::clamp<int64_t>(w.HasSelection()
            ? int64_t{w.m_nSelBegin} + (int64_t{w.m_nSelEnd} - w.m_nSelBegin) / 2
            : int64_t{w.m_nCursor},
        0, w.m_nLength);
    const int64_t span = WaveViewTrunc(static_cast<float>(w.m_nLength) / zoom);
    int64_t end;
    if (centre - span / 2 >= 0) {
        w.m_nViewBegin = WaveViewClamp64(centre - span / 2);
        end = centre + span / 2;
    } else {
        w.m_nViewBegin = 0;
        end = span;
    }
    // The begin stays where it is when the end is clipped, so near the end of
    // the document the view holds fewer frames than the span.
    w.m_nViewEnd = WaveViewClamp64(std::min<int64_t>(end, w.m_nLength));
}

void CWaveView::SetZoom(float zoom)
{
    if (!m_pWave)
        return;
    if (!(zoom >= 1.0f))  // also catches NaN
        zoom = 1.0f;
    const int64_t viewLength = m_pWave->GetViewLength();
    if (zoom > m_fZoom && int64_t{m_rcBounds.Width()} > 2 * viewLength)
        return;  // a frame would get more than about two pixels
    PlaceZoom(zoom);
    Scale();
    Step();
    UpdatePixels();
    Points();
    Repaint();
    FireChangeView();
}

void CWaveView::MoveView(int64_t begin)
{
    CRMWave& w = *m_pWave;
    const int64_t length = w.GetViewLength();
    const int64_t last = std::max<int64_t>(0, int64_t{w.m_nLength} - length);
    begin = std::clamp<int64_t>(begin, 0, last);
    w.m_nViewBegin = WaveViewClamp64(begin);
    w.m_nViewEnd = WaveViewClamp64(begin + length);
    UpdatePixels();
    Points();
    Repaint();
    FireChangeView();
}

void CWaveView::PanLeft(int32_t frames)
{
    if (!m_pWave || m_pWave->m_nViewBegin == 0)
        return;
    // Kept inside the document either way, also for a negative amount.
    MoveView(int64_t{m_pWave->m_nViewBegin} - frames);
}

void CWaveView::PanRight(int32_t frames)
{
    if (!m_pWave || m_pWave->m_nViewEnd == 0)
        return;
    MoveView(int64_t{m_pWave->m_nViewBegin} + frames);
}

void CWaveView::ScrollTo(int32_t frame)
{
    if (!m_pWave || frame < 0 || frame > m_pWave->m_nLength)
        return;
    CRMWave& w = *m_pWave;
    const int64_t length = w.GetViewLength();
    int64_t begin = frame - length / 2;
    int64_t end = frame + length / 2;
    if (begin < 0) {
        begin = 0;
        end = length;
    }
    if (end > w.m_nLength) {
        begin = w.m_nLength - length;
        end = w.m_nLength;
    }
    w.m_nViewBegin = WaveViewClamp64(begin);
    w.m_nViewEnd = WaveViewClamp64(end);
    Scale();
    UpdatePixels();
    Points();
    Repaint();
    FireChangeView();
}

void CWaveView::ResetView()
{
    m_nSelX1 = 0;
    m_nSelX2 = 0;
    if (m_pWave)
        PlaceZoom(1.0f);
    else
        m_fZoom = 1.0f;
    Step();
    Scale();
    Points();
    SetCursorFromX(0);
    Repaint();
    FireChangeView();
}

void CWaveView::Refresh()
{
    Step();
    Scale();
    UpdatePixels();
    Points();
    Repaint();
    FireChangeView();
}

void CWaveView::RefreshAfterEdit()
{
    if (m_pWave && m_pWave->m_nLength > 0 && m_pWave->GetViewLength() <= 0) {
        m_fZoom = 1.0f;
        m_pWave->m_nViewBegin = 0;
        m_pWave->m_nViewEnd = m_pWave->m_nLength;
    }
    Refresh();
}

// --- Cursor and selection -------------------------------------------------

void CWaveView::SetCursorFromX(int32_t x)
{
    if (DocumentLength() <= 0 || m_fPixelsPerPoint == 0.0f || m_fPointsPerFrame == 0.0f)
        return;
    const int64_t frame = int64_t{m_pWave->m_nViewBegin}
        + WaveViewTrunc(static_cast<float>(x) / m_fPixelsPerPoint / m_fPointsPerFrame);
    if (frame < m_pWave->m_nViewBegin || frame > m_pWave->m_nViewEnd)
        return;
    m_nCursorX = x;
    m_nPlayX = x;
    m_pWave->m_nCursor = static_cast<int32_t>(frame);
    Repaint();
    FireChangeView();
}

void CWaveView::ClearSelectionMarks()
{
    m_nSelX1 = 0;
    m_nSelX2 = 0;
    // A new press starts afresh, also if the last drag never saw its release.
    m_bTracking = false;
    m_rcDrag = WaveViewRect{};
    FireChangeView();
}

void CWaveView::BeginSelection()
{
    m_nSelX1 = m_nCursorX;
    m_rcDrag = WaveViewRect{0, 0, 0, m_rcBounds.bottom};
    m_bTracking = true;
}

int32_t CWaveView::XToFrame(int32_t x) const
{
    if (DocumentLength() <= 0)
        return 0;
    if (m_fPointsPerFrame == 0.0f || m_fPixelsPerPoint == 0.0f)
        return m_pWave->m_nViewBegin;
    return WaveViewClamp64(int64_t{m_pWave->m_nViewBegin}
        + WaveViewTrunc(static_cast<float>(x) / m_fPointsPerFrame / m_fPixelsPerPoint));
}

void CWaveView::EndSelection(int32_t x)
{
    m_bTracking = false;
    m_nSelX2 = std::clamp(x, 0, std::max(0, m_rcBounds.Width()));
    if (DocumentLength() <= 0 || m_fPointsPerFrame == 0.0f || m_fPixelsPerPoint == 0.0f)
        return;
    if (m_nSelX2 < m_nSelX1)
        std::swap(m_nSelX1, m_nSelX2);
    CRMWave& w = *m_pWave;
    const float framesPerPixel1 = 1.0f / m_fPointsPerFrame;
    const float framesPerPixel2 = 1.0f / m_fPixelsPerPoint;
    const int64_t begin = int64_t{w.m_nViewBegin}
        + WaveViewTrunc(static_cast<float>(m_nSelX1) * framesPerPixel1 * framesPerPixel2);
    const int64_t end = int64_t{w.m_nViewBegin}
        + WaveViewTrunc(static_cast<float>(m_nSelX2) * framesPerPixel1 * framesPerPixel2);
    // Both ends stay inside the view, so a drag that starts beyond the last
    // frame cannot leave a selection that begins after it ends.
    w.m_nSelBegin = static_cast<int32_t>(std::clamp<int64_t>(begin, w.m_nViewBegin, w.m_nViewEnd));
    w.m_nSelEnd = static_cast<int32_t>(std::clamp<int64_t>(end, w.m_nViewBegin, w.m_nViewEnd));
    if (m_bSnapToZero && w.m_nSelEnd > w.m_nSelBegin) {
        const int32_t snappedBegin = SnapToZeroCrossing(w, w.m_nSelBegin);
        const int32_t snappedEnd = SnapToZeroCrossing(w, w.m_nSelEnd);
        if (snappedEnd > snappedBegin) {
            w.m_nSelBegin = snappedBegin;
            w.m_nSelEnd = snappedEnd;
        }
    }
    SetCursorFromX(m_nSelX1);
    FireChangeView();
}

// --- Colour properties -------------------------------------------------------

namespace {

QColor FromColorRef(uint32_t c)
{
    return QColor(static_cast<int>(c & 0xff), static_cast<int>((c >> 8) & 0xff),
        static_cast<int>((c >> 16) & 0xff));
}

uint32_t ToColorRef(const QColor& c)
{
    return static_cast<uint32_t>(c.red()) | (static_cast<uint32_t>(c.green()) << 8)
        | (static_cast<uint32_t>(c.blue()) << 16);
}

}  // namespace

uint32_t CWaveView::GetBackColor() const { return ToColorRef(m_brBack.color()); }
uint32_t CWaveView::GetWaveColor() const { return ToColorRef(m_penWave.color()); }
uint32_t CWaveView::GetCursorColor() const { return ToColorRef(m_penCursor.color()); }

void CWaveView::SetBackColor(uint32_t colour)
{
    m_brBack = QBrush(FromColorRef(colour), Qt::SolidPattern);
}

void CWaveView::SetWaveColor(uint32_t colour)
{
    m_penWave = QPen(FromColorRef(colour), 1, Qt::SolidLine);
}

void CWaveView::SetCursorColor(uint32_t colour)
{
    m_penCursor = QPen(FromColorRef(colour), 1, Qt::SolidLine);
}
