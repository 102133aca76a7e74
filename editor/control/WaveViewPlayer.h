#pragma once
// What the view needs from the player: its status, to know whether a play
// cursor is shown, and its position, to place it. The control hands the view
// an implementation over its CWavePlayer; without one the view sees an idle
// player at position 0.

#include <cstdint>

class IWaveViewPlayer {
public:
    virtual ~IWaveViewPlayer() = default;

    // 0 idle, 1 playing, 2 recording, 3 paused, 5 stopping.
    virtual int32_t GetPlayerStatus() const = 0;
    // Frames played since the current pass started.
    virtual int32_t GetPlayPosition() const = 0;
};
