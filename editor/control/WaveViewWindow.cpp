// The view's position properties: the control window's place in the client
// area of its top-level window, and the size of the view's bounds.

#include "CWaveView.h"

#include <QWidget>

namespace {

// Offset of a widget's origin in the client area of its top-level window.
QPoint OffsetInWindow(const QWidget* w)
{
    return w->isWindow() ? QPoint(0, 0) : w->mapTo(w->window(), QPoint(0, 0));
}

}  // namespace

int32_t CWaveView::GetTop() const
{
    return m_pCtrl ? OffsetInWindow(m_pCtrl).y() : 0;
}

int32_t CWaveView::GetLeft() const
{
    return m_pCtrl ? OffsetInWindow(m_pCtrl).x() : 0;
}

// Before the first Resize the bounds are empty; the window's own size then
// stands in, so that moving the control does not collapse it.
int32_t CWaveView::WindowWidth() const
{
    if (m_rcBounds.Width() > 0 || !m_pCtrl)
        return m_rcBounds.Width();
    return m_pCtrl->width();
}

int32_t CWaveView::WindowHeight() const
{
    if (m_rcBounds.Height() > 0 || !m_pCtrl)
        return m_rcBounds.Height();
    return m_pCtrl->height();
}

// Left and top are in the top-level window's client coordinates, like the
// getters, and are converted to the parent's before the move.
void CWaveView::MoveWindowTo(int32_t left, int32_t top, int32_t width, int32_t height)
{
    if (!m_pCtrl)
        return;
    QPoint position(left, top);
    if (!m_pCtrl->isWindow() && m_pCtrl->parentWidget())
        position -= OffsetInWindow(m_pCtrl->parentWidget());
    m_pCtrl->setGeometry(position.x(), position.y(), width, height);
    m_pCtrl->update();
}

void CWaveView::SetTop(int32_t top)
{
    MoveWindowTo(GetLeft(), top, WindowWidth(), WindowHeight());
}

void CWaveView::SetLeft(int32_t left)
{
    MoveWindowTo(left, GetTop(), WindowWidth(), WindowHeight());
}

void CWaveView::SetWidth(int32_t width)
{
    MoveWindowTo(GetLeft(), GetTop(), width, WindowHeight());
}

void CWaveView::SetHeight(int32_t height)
{
    MoveWindowTo(GetLeft(), GetTop(), WindowWidth(), height);
}
