#pragma once
// A rectangle as the view keeps it: left, top, right and bottom, with right
// and bottom exclusive (a 400 x 200 window is {0, 0, 400, 200}). QRect's
// inclusive right() and bottom() are easy to get wrong by one, so the view
// converts at its edges and works with this.

#include <QRect>

#include <algorithm>

#include <cstdint>

struct WaveViewRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    int32_t Width() const { return right - left; }
    int32_t Height() const { return bottom - top; }
    bool IsEmpty() const { return right <= left || bottom <= top; }

    static WaveViewRect FromQRect(const QRect& r)
    {
        return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
    }
    QRect ToQRect() const { return QRect(left, top, Width(), Height()); }

    // The common part of two rectangles; empty ones come out with right <= left
    // or bottom <= top. Never overflows, so it can tame far-off columns.
    WaveViewRect Intersected(const WaveViewRect& o) const
    {
        return {std::max(left, o.left), std::max(top, o.top), std::min(right, o.right),
            std::min(bottom, o.bottom)};
    }

    friend bool operator==(const WaveViewRect&, const WaveViewRect&) = default;
};
