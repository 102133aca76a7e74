#pragma once
// The calls the player makes into the view. The view implements this; until a
// view is attached the player uses a view that does nothing.

class IPlayerView {
public:
    virtual ~IPlayerView() = default;
    virtual void UpdatePlayCursor() {}
    virtual void Repaint() {}
    virtual void ResetView() {}
};
