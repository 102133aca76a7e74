#include "WaveDevice.h"

namespace {
const char* CodeText(MMResult code)
{
    switch (code) {
    case MMSYSERR_NOERROR: return "The command completed successfully.";
    case MMSYSERR_ERROR: return "Undefined external error.";
    case MMSYSERR_BADDEVICEID: return "No wave device is available for this format or none is installed.";
    case MMSYSERR_ALLOCATED: return "The wave device is already in use.";
    case MMSYSERR_INVALHANDLE: return "The device handle is invalid.";
    case MMSYSERR_NODRIVER: return "No sound driver is installed.";
    case MMSYSERR_NOMEM: return "Unable to allocate or lock memory.";
    case WAVERR_BADFORMAT: return "The wave format is not supported by the device.";
    case WAVERR_STILLPLAYING: return "Buffers are still queued on the device.";
    case WAVERR_UNPREPARED: return "The buffer was not prepared.";
    default: return "Unknown wave device error.";
    }
}
}  // namespace

std::string WaveErrorText(MMResult code, const std::string& detail)
{
    // The platform's error texts are at most 260 characters with the terminator.
    constexpr std::size_t kMaxText = 259;
    std::string text = CodeText(code);
    if (!detail.empty())
        text += " (" + detail + ")";
    if (text.size() > kMaxText)
        text.resize(kMaxText);
    return text;
}
