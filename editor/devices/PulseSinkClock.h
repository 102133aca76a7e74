#pragma once
// A sink without a hardware clock (PulseAudio's null sink) renders far ahead
// of its clock while nothing asks it for low latency: up to two seconds, and
// what it renders goes to its monitor at once. A new low-latency stream does
// not take that lead back (the sink can only rewind as far as the new,
// shorter latency), so the stream's first sound, or a monitor's first
// captured block, waits until the sink's clock has caught up with the lead.
//
// When the server reports such a lead on a sink that nothing plays to,
// suspending and resuming it makes its clock start again now. Both calls wait
// under the session's loop lock; the stream that needs the sink must already
// be connected (corked is enough), so that the sink resumes at its latency.

#include "PulseSession.h"

#include <cstdint>

// Restarts the clock of the sink `sinkIndex` if it needs it; TRUE if it did.
bool RestartIdleSinkClock(CPulseSession& session, uint32_t sinkIndex);

// The sink whose monitor the source `sourceIndex` is, or PA_INVALID_INDEX.
uint32_t MonitoredSink(CPulseSession& session, uint32_t sourceIndex);
