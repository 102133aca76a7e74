#pragma once
// An event sink for the device tests: logs every event with the player's
// status and position at that moment, and lets a test act from inside the
// message-pump step, where the host's own handlers would run.

#include "devices/CWavePlayer.h"
#include "wave/ControlEvents.h"

#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

struct LoggedEvent {
    enum Kind { ChangePlayer, Progress, Message };
    explicit LoggedEvent(Kind k) : kind(k) {}
    Kind kind;
    int32_t status = 0;
    int32_t playPos = 0;
    int32_t recordPos = 0;
    float percent = 0;
    std::string text;
};

class TestEvents : public IControlEvents {
public:
    explicit TestEvents(CWavePlayer& player) : m_player(player) { SetControlEvents(this); }
    ~TestEvents() override { SetControlEvents(nullptr); }

    void FireProgress(float percent) override
    {
        LoggedEvent e(LoggedEvent::Progress);
        e.status = m_player.GetStatus();
        e.percent = percent;
        events.push_back(e);
    }
    void FireChangePlayer() override
    {
        LoggedEvent e(LoggedEvent::ChangePlayer);
        e.status = m_player.GetStatus();
        e.playPos = m_player.GetPlayPos();
        e.recordPos = m_player.GetRecordPos();
        events.push_back(e);
        if (onChangePlayer)
            onChangePlayer();
    }
    void ShowMessage(const std::string& text, const std::string&) override
    {
        LoggedEvent e(LoggedEvent::Message);
        e.text = text;
        events.push_back(e);
        messageThread = std::this_thread::get_id();
    }
    void PumpMessages() override
    {
        ++pumps;
        if (onPump)
            onPump();
    }

    std::vector<int32_t> Statuses() const
    {
        std::vector<int32_t> out;
        for (const auto& e : events)
            if (e.kind == LoggedEvent::ChangePlayer)
                out.push_back(e.status);
        return out;
    }
    std::vector<float> Progress() const
    {
        std::vector<float> out;
        for (const auto& e : events)
            if (e.kind == LoggedEvent::Progress)
                out.push_back(e.percent);
        return out;
    }
    std::vector<std::string> Messages() const
    {
        std::vector<std::string> out;
        for (const auto& e : events)
            if (e.kind == LoggedEvent::Message)
                out.push_back(e.text);
        return out;
    }

    std::vector<LoggedEvent> events;
    std::function<void()> onPump;
    std::function<void()> onChangePlayer;
    long pumps = 0;
    std::thread::id messageThread;

private:
    CWavePlayer& m_player;
};
