// Painting of the view: everything is drawn into the back buffer, which the
// control's paint handler copies to the widget. Selection, play cursor and
// drag feedback are drawn by inverting the pixels below them, so they show on
// any colours and a second inversion removes them again.

#include "CWaveView.h"

#include "WaveViewPlayer.h"
#include "wave/CRMWave.h"

#include <QPainter>
#include <QWidget>

#include <algorithm>

namespace {

// The device's area; rectangles are clipped to it before they become QRects,
// so that columns far outside the view cannot overflow QRect's arithmetic.
WaveViewRect DeviceRect(const QPainter& p)
{
    return {0, 0, p.device()->width(), p.device()->height()};
}

// A column one pixel wide at x from y0 to y1 (exclusive), clipped to the device.
WaveViewRect Column(const QPainter& p, int32_t x, int32_t y0, int32_t y1)
{
    const WaveViewRect device = DeviceRect(p);
    if (x < device.left || x >= device.right)
        return {};
    return WaveViewRect{x, y0, x + 1, y1}.Intersected(device);
}

}  // namespace

void CWaveView::Invert(QPainter& p, const WaveViewRect& r)
{
    const WaveViewRect clipped = r.Intersected(DeviceRect(p));
    if (clipped.IsEmpty())
        return;
    p.save();
    p.setCompositionMode(QPainter::RasterOp_NotDestination);
    p.fillRect(clipped.ToQRect(), Qt::black);  // the source colour is not used
    p.restore();
}

int CWaveView::CursorSpans(const WaveViewRect& b, int32_t spans[2][2]) const
{
    if (DrawnChannels() < 2) {
        spans[0][0] = b.top + 1;
        spans[0][1] = b.bottom - 1;
        return 1;
    }
    spans[0][0] = b.top + 1;
    spans[0][1] = b.bottom / kMaxChannels - 2;
    spans[1][0] = b.Height() / 2 + b.top + 3;
    spans[1][1] = b.bottom - 1;
    return 2;
}

void CWaveView::InvertPlayCursor(QPainter& p, const WaveViewRect& bounds, int32_t x) const
{
    int32_t spans[2][2];
    const int n = CursorSpans(bounds, spans);
    for (int i = 0; i < n; ++i)
        Invert(p, Column(p, x, spans[i][0], spans[i][1]));
}

void CWaveView::DrawCursor(QPainter& p, const WaveViewRect& bounds) const
{
    int32_t spans[2][2];
    const int n = CursorSpans(bounds, spans);
    for (int i = 0; i < n; ++i) {
        const WaveViewRect column = Column(p, m_nCursorX, spans[i][0], spans[i][1]);
        if (!column.IsEmpty())
            p.fillRect(column.ToQRect(), m_penCursor.color());
    }
}

void CWaveView::DrawFramesAndWave(QPainter& p, const WaveViewRect& b) const
{
    const int32_t channels = DrawnChannels();
    if (channels <= 0)
        return;
    const int32_t height = b.Height();
    auto frame = [&p](int32_t left, int32_t top, int32_t right, int32_t bottom) {
        const QPoint corners[5] = {{left, top}, {right, top}, {right, bottom}, {left, bottom},
            {left, top}};
        p.drawPolyline(corners, 5);
    };

    p.setPen(m_penFrame);
    if (channels == 1) {
        frame(b.left, b.top, b.right - 1, b.bottom - 1);
    } else {
        frame(b.left, b.top, b.right - 1, b.bottom / kMaxChannels - 2);
        frame(b.left, height / 2 + b.top + 2, b.right - 1, b.bottom - 1);
    }

    const int32_t count = std::min(m_nPoints, kPoints);
    if (count <= 0)
        return;
    p.setPen(m_penWave);
    p.save();
    p.translate(1, 1);
    p.drawPolyline(m_ptWave[0].data(), count);
    p.restore();
    if (channels == 2) {
        p.save();
        p.translate(1, height / 2 + 3);
        p.drawPolyline(m_ptWave[1].data(), count);
        p.restore();
    }
}

void CWaveView::Render(const WaveViewRect& bounds)
{
    if (m_bmBack.isNull())
        return;
    QPainter p(&m_bmBack);
    p.fillRect(bounds.ToQRect(), m_brBack);
    const bool hasDocument = DocumentLength() > 0;
    if (hasDocument)
        DrawFramesAndWave(p, bounds);
    // While a drag runs its feedback stands in for the selection, whose
    // columns are being replaced; it goes on top, as it does on screen.
    // An empty document shows nothing but the background, whatever marks a
    // drag over it left behind.
    if (!m_bTracking && hasDocument)
        Invert(p, WaveViewRect{std::min(m_nSelX1, m_nSelX2), bounds.top,
                      std::max(m_nSelX1, m_nSelX2), bounds.bottom});
    m_bPlayDrawn = PlayCursorShown();
    m_nPlayDrawnX = m_nPlayX;
    if (m_bPlayDrawn)
        InvertPlayCursor(p, bounds, m_nPlayX);
    if (hasDocument)
        DrawCursor(p, bounds);
    if (m_bTracking)
        Invert(p, m_rcDrag);
}

void CWaveView::Paint(QPainter& dc, const QRect& bounds, const QRect& /*invalid*/)
{
    if (m_bmBack.isNull())
        return;
    const WaveViewRect b = WaveViewRect::FromQRect(bounds);
    Render(b);
    const QRect source = QRect(0, 0, b.right, b.bottom).intersected(m_bmBack.rect());
    dc.drawImage(QPoint(0, 0), m_bmBack, source);
}

void CWaveView::PaintTo(QPainter& dc)
{
    Paint(dc, m_rcBounds.ToQRect(), m_rcBounds.ToQRect());
}

void CWaveView::Repaint()
{
    if (!m_pCtrl)
        return;
    Render(m_rcBounds);
    m_pCtrl->update();
}

void CWaveView::UpdateWindow() const
{
    if (m_pCtrl)
        m_pCtrl->update();
}

void CWaveView::TrackSelection(int32_t x)
{
    const WaveViewRect next{std::min(x, m_nSelX1), m_rcBounds.top, std::max(x, m_nSelX1),
        m_rcBounds.bottom};
    if (!m_bmBack.isNull()) {
        QPainter p(&m_bmBack);
        Invert(p, m_rcDrag);  // removes the previous feedback
        Invert(p, next);
    }
    m_rcDrag = next;
    m_bTracking = true;
    UpdateWindow();
}

void CWaveView::UpdatePlayCursor()
{
    if (m_pWave) {
        const int32_t position = m_pPlayer ? m_pPlayer->GetPlayPosition() : 0;
        m_nPlayX = FrameToX(int64_t{position} - m_pWave->m_nViewBegin + m_pWave->m_nCursor);
    }
    if (m_bmBack.isNull())
        return;
    if (m_bTracking) {
        Render(m_rcBounds);  // the drag's feedback lies on top of everything
    } else {
        // Only the two columns change: the old play cursor is inverted back,
        // the new one inverted in, and the cursor line, which Paint draws
        // last, is drawn again in case either column crossed it.
        const bool show = PlayCursorShown();
        QPainter p(&m_bmBack);
        if (m_bPlayDrawn)
            InvertPlayCursor(p, m_rcBounds, m_nPlayDrawnX);
        if (show)
            InvertPlayCursor(p, m_rcBounds, m_nPlayX);
        m_bPlayDrawn = show;
        m_nPlayDrawnX = m_nPlayX;
        if (DocumentLength() > 0)
            DrawCursor(p, m_rcBounds);
    }
    UpdateWindow();
}
