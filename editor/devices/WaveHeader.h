#pragma once
// A buffer header as the wave devices use it (the platform's WAVEHDR), and a
// capture block that owns its header and its data together.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

struct WaveHeader {
    static constexpr uint32_t kDone = 0x01;
    static constexpr uint32_t kPrepared = 0x02;
    static constexpr uint32_t kInQueue = 0x10;

    uint8_t* lpData = nullptr;
    uint32_t dwBufferLength = 0;
    uint32_t dwBytesRecorded = 0;
    uintptr_t dwUser = 0;
    uint32_t dwFlags = 0;
    uint32_t dwLoops = 0;
};

// One capture buffer: the header points into the block's own data.
struct WaveBlock {
    WaveHeader header;
    std::vector<uint8_t> data;

    // A zero-filled block of `bytes` bytes. Throws std::bad_alloc.
    static std::unique_ptr<WaveBlock> Make(std::size_t bytes);
    // A copy of the header and of the whole buffer. Throws std::bad_alloc.
    std::unique_ptr<WaveBlock> Copy() const;
};
