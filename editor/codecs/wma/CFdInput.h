#pragma once
// A file read by FFmpeg through a descriptor of our own, so that a read can
// never block for good: each read waits at most 100 ms at a time for data and
// gives up once Abort() has been called (from any thread). That keeps a
// decoder thread stoppable even on a pipe that never delivers.

#include "codecs/wma/FfmpegHandles.h"

#include <atomic>
#include <cstdint>
#include <string>

class CFdInput {
public:
    CFdInput() = default;
    ~CFdInput();
    CFdInput(const CFdInput&) = delete;
    CFdInput& operator=(const CFdInput&) = delete;

    // Opens the file for reading without waiting for a writer on a pipe.
    bool Open(const std::string& path);
    // The I/O context for avformat; null when the file is not open or out of memory.
    AVIOContext* Context();

    void Abort() { m_bAbort = true; }
    bool Aborted() const { return m_bAbort; }

private:
    static int ReadPacket(void* opaque, uint8_t* buffer, int size);
    static int64_t Seek(void* opaque, int64_t offset, int whence);

    int m_fd = -1;
    bool m_bSeekable = false;
    std::atomic<bool> m_bAbort{false};
    AvioContextPtr m_avio;
};
