#include "PulseSinkClock.h"

namespace {
// Leads up to this are left alone: they end sooner than a restart would help.
constexpr uint64_t kLeadLimitUsec = 100000;

struct SinkClockState {
    bool hardware = false;  // the sink has a device clock of its own
    bool idle = false;      // nothing plays to it
    uint64_t leadUsec = 0;  // how far ahead of its clock it has rendered
};

// Only a sink without hardware, idle, and ahead by much more than any stream
// of ours asks for, is worth a restart.
bool NeedsRestart(const SinkClockState& state)
{
    return !state.hardware && state.idle && state.leadUsec > kLeadLimitUsec;
}

struct SinkQuery {
    CPulseSession* session = nullptr;
    bool found = false;
    SinkClockState state;
};

struct SourceQuery {
    CPulseSession* session = nullptr;
    uint32_t monitorOf = PA_INVALID_INDEX;
};

void OnSinkInfo(pa_context*, const pa_sink_info* info, int eol, void* user)
{
    auto* query = static_cast<SinkQuery*>(user);
    if (info && !eol) {
        query->found = true;
        query->state.hardware = (info->flags & PA_SINK_HARDWARE) != 0;
        query->state.idle = info->state == PA_SINK_IDLE;
        query->state.leadUsec = info->latency;
    }
    pa_threaded_mainloop_signal(query->session->Loop(), 0);
}

void OnSourceInfo(pa_context*, const pa_source_info* info, int eol, void* user)
{
    auto* query = static_cast<SourceQuery*>(user);
    if (info && !eol)
        query->monitorOf = info->monitor_of_sink;
    pa_threaded_mainloop_signal(query->session->Loop(), 0);
}

void OnDone(pa_context*, int, void* session)
{
    pa_threaded_mainloop_signal(static_cast<CPulseSession*>(session)->Loop(), 0);
}

}  // namespace

bool RestartIdleSinkClock(CPulseSession& session, uint32_t sinkIndex)
{
    if (sinkIndex == PA_INVALID_INDEX)
        return false;
    SinkQuery query;
    query.session = &session;
    if (!session.WaitOperation(pa_context_get_sink_info_by_index(session.Context(), sinkIndex, &OnSinkInfo, &query)) ||
        !query.found || !NeedsRestart(query.state))
        return false;
    // The resume follows the suspend in the server's order; waiting for it waits for both.
    if (pa_operation* suspend = pa_context_suspend_sink_by_index(session.Context(), sinkIndex, 1, nullptr, nullptr))
        pa_operation_unref(suspend);
    return session.WaitOperation(pa_context_suspend_sink_by_index(session.Context(), sinkIndex, 0, &OnDone, &session));
}

uint32_t MonitoredSink(CPulseSession& session, uint32_t sourceIndex)
{
    if (sourceIndex == PA_INVALID_INDEX)
        return PA_INVALID_INDEX;
    SourceQuery query;
    query.session = &session;
    session.WaitOperation(pa_context_get_source_info_by_index(session.Context(), sourceIndex, &OnSourceInfo, &query));
    return query.monitorOf;
}
