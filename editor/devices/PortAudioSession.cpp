#include "PortAudioSession.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <unistd.h>

namespace {
// PortAudio's initialisation and termination are not thread-safe; the
// recorder's thread and the host's thread may both reach them.
std::mutex& PortAudioMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::mutex& StderrMutex()
{
    static std::mutex mutex;
    return mutex;
}

bool Verbose()
{
    return std::getenv("VRT_AUDIO_VERBOSE") != nullptr;
}

PaDeviceIndex FindByName(const char* name, bool input)
{
    const PaDeviceIndex count = Pa_GetDeviceCount();
    for (PaDeviceIndex i = 0; i < count; ++i) {
        const PaDeviceInfo* info = Pa_GetDeviceInfo(i);
        if (!info || std::strcmp(info->name, name) != 0)
            continue;
        if ((input ? info->maxInputChannels : info->maxOutputChannels) > 0)
            return i;
    }
    return paNoDevice;
}
}  // namespace

CQuietStderr::CQuietStderr()
{
    if (Verbose())
        return;
    m_lock = std::unique_lock(StderrMutex());
    std::fflush(stderr);
    const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (null < 0)
        return;
    m_saved = ::dup(STDERR_FILENO);
    if (m_saved >= 0)
        ::dup2(null, STDERR_FILENO);
    ::close(null);
}

CQuietStderr::~CQuietStderr()
{
    if (m_saved < 0)
        return;
    std::fflush(stderr);
    ::dup2(m_saved, STDERR_FILENO);
    ::close(m_saved);
}

CPortAudioSession::CPortAudioSession()
{
    // Never let PortAudio's JACK probing start a JACK server.
    ::setenv("JACK_NO_START_SERVER", "1", 0);
    std::lock_guard lock(PortAudioMutex());
    CQuietStderr quiet;
    m_error = Pa_Initialize();
}

CPortAudioSession::~CPortAudioSession()
{
    if (!IsOpen())
        return;
    std::lock_guard lock(PortAudioMutex());
    CQuietStderr quiet;
    Pa_Terminate();
}

PaDeviceIndex CPortAudioSession::FindDevice(bool input) const
{
    if (!IsOpen())
        return paNoDevice;
    if (const char* name = std::getenv("VRT_AUDIO_DEVICE"); name && *name)
        return FindByName(name, input);
    for (const char* name : {"pulse", "default"}) {
        const PaDeviceIndex device = FindByName(name, input);
        if (device != paNoDevice)
            return device;
    }
    return input ? Pa_GetDefaultInputDevice() : Pa_GetDefaultOutputDevice();
}

std::string CPortAudioSession::DeviceDescription(PaDeviceIndex device)
{
    const PaDeviceInfo* info = Pa_GetDeviceInfo(device);
    if (!info)
        return "no device";
    const PaHostApiInfo* api = Pa_GetHostApiInfo(info->hostApi);
    return std::string(api ? api->name : "?") + " / " + info->name;
}
