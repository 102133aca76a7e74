#pragma once
// Whether the audio processing window has a step of its own on the stack: a
// call into the control (whose long calls run the window's events inside
// them), a modal dialog, or a command of several calls. A Scope marks one
// such step; when the outermost one ends, the window hears that it is idle
// again (and carries out a close that had to wait).

#include <functional>

class CAudioProcessBusy {
public:
    class Scope {
    public:
        explicit Scope(CAudioProcessBusy& busy) : m_busy(busy) { ++m_busy.m_nDepth; }
        ~Scope()
        {
            if (--m_busy.m_nDepth == 0 && m_busy.m_onIdle)
                m_busy.m_onIdle();
        }
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        CAudioProcessBusy& m_busy;
    };

    bool IsBusy() const { return m_nDepth > 0; }
    void SetOnIdle(std::function<void()> onIdle) { m_onIdle = std::move(onIdle); }

private:
    int m_nDepth = 0;
    std::function<void()> m_onIdle;
};
