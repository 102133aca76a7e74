#pragma once
// The device layer the player and the recorder talk to. It gives them the
// semantics of the system's wave-out and wave-in interfaces: open or query a
// format, queue buffers described by headers, a completion per finished
// buffer, pause, restart, reset, close; captured buffers come back to a
// thread's message queue as MM_WIM_DATA messages.
//
// Results are the wave interface's codes (0 = no error, 32 = bad format...).

#include "WaveHeader.h"
#include "wave/WaveFormat.h"

#include <cstdint>
#include <memory>
#include <string>

class CThreadMessageQueue;

using MMResult = uint32_t;
inline constexpr MMResult MMSYSERR_NOERROR = 0;
inline constexpr MMResult MMSYSERR_ERROR = 1;
inline constexpr MMResult MMSYSERR_BADDEVICEID = 2;
inline constexpr MMResult MMSYSERR_ALLOCATED = 4;
inline constexpr MMResult MMSYSERR_INVALHANDLE = 5;
inline constexpr MMResult MMSYSERR_NODRIVER = 6;
inline constexpr MMResult MMSYSERR_NOMEM = 7;
inline constexpr MMResult WAVERR_BADFORMAT = 32;
inline constexpr MMResult WAVERR_STILLPLAYING = 33;
inline constexpr MMResult WAVERR_UNPREPARED = 34;

// Messages of the output completion procedure and of capture.
inline constexpr uint32_t WOM_OPEN = 0x3BB;
inline constexpr uint32_t WOM_CLOSE = 0x3BC;
inline constexpr uint32_t WOM_DONE = 0x3BD;
inline constexpr uint32_t MM_WIM_DATA = 0x3C0;

// Called for WOM_OPEN and WOM_CLOSE on the caller's thread, and for WOM_DONE
// on the device's own thread (or on the thread that calls Reset). It runs in
// the audio path: it must not lock, allocate or wait.
using WaveOutProc = void (*)(uint32_t message, void* instance, WaveHeader* header);

// The text of a result code, with the device's own detail when it has one.
std::string WaveErrorText(MMResult code, const std::string& detail = {});

class IWaveOut {
public:
    virtual ~IWaveOut() = default;

    // Whether the device takes the format, without opening it.
    virtual MMResult QueryFormat(const WaveFormat& format) = 0;
    // Opens the device, running and waiting for buffers.
    virtual MMResult Open(const WaveFormat& format, WaveOutProc proc, void* instance) = 0;
    virtual MMResult Prepare(WaveHeader& header) = 0;
    virtual MMResult Unprepare(WaveHeader& header) = 0;
    // Queues a prepared buffer. The header stays the caller's; the device
    // hands it back through WOM_DONE when it has played it.
    virtual MMResult Write(WaveHeader& header) = 0;
    virtual MMResult Pause() = 0;
    virtual MMResult Restart() = 0;
    // Drops everything queued; each queued header comes back through WOM_DONE
    // before Reset returns. A paused device runs again afterwards.
    virtual MMResult Reset() = 0;
    // Lets what was handed to the device play out, then closes it.
    // WAVERR_STILLPLAYING while buffers are queued.
    virtual MMResult Close() = 0;
    // The device went away while open (its server ended): every queued
    // buffer has come back and later writes fail.
    virtual bool IsLost() const = 0;
    virtual std::string ErrorText(MMResult code) const = 0;
};

class IWaveIn {
public:
    virtual ~IWaveIn() = default;

    // Opens the device for the format; filled buffers are posted to `target`
    // as MM_WIM_DATA with the block attached. The queue must outlive the
    // device (or its Close).
    virtual MMResult Open(const WaveFormat& format, CThreadMessageQueue* target) = 0;
    virtual MMResult Prepare(WaveBlock& block) = 0;
    virtual MMResult Unprepare(WaveBlock& block) = 0;
    // Hands an empty prepared buffer to the device, which owns it until it
    // comes back through MM_WIM_DATA.
    virtual MMResult AddBuffer(std::unique_ptr<WaveBlock> block) = 0;
    virtual MMResult Start() = 0;
    // Stops capture; a partly filled buffer comes back with what it holds,
    // empty ones stay queued.
    virtual MMResult Stop() = 0;
    // Stops and hands every queued buffer back.
    virtual MMResult Reset() = 0;
    virtual MMResult Close() = 0;
    // The device went away while open (its server ended): nothing more
    // will be captured.
    virtual bool IsLost() const = 0;
    virtual std::string ErrorText(MMResult code) const = 0;
};

// Makes devices. The player owns one and asks it for a device per use.
class IWaveDevices {
public:
    virtual ~IWaveDevices() = default;
    virtual std::unique_ptr<IWaveOut> CreateWaveOut() = 0;
    virtual std::unique_ptr<IWaveIn> CreateWaveIn() = 0;
};
