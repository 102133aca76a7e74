#pragma once
// The chunk walk of a RIFF/WAVE image, shared by the file reader and the
// clipboard paste. It works through a read-at-offset callback so that the
// same walk serves a file on disk and an image in memory.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

struct RiffWaveScan {
    bool bFormat = false;
    std::vector<uint8_t> fmtChunk;  // the "fmt " chunk's bytes, at least 18
    bool bData = false;
    uint64_t nDataOffset = 0;       // file offset of the first data byte
    uint64_t nDataSize = 0;         // as the chunk claims it
    uint32_t nFactSamples = 0;
    bool bFailed = false;           // a short read inside "fmt "
};

// Reads up to count bytes at offset; returns the bytes read.
using RiffReadAt = std::function<std::size_t(uint64_t offset, void* buffer, std::size_t count)>;

// Walks the sub-chunks of a "RIFF"/"WAVE" image of `size` bytes. Takes the
// first "fmt ", the first "data" of non-zero size (or an empty one if there
// is no other) and the first non-zero "fact". The walk ends at the end of the
// RIFF chunk or of the image, whichever comes first. False when the image
// does not start with a RIFF header of form "WAVE".
bool ScanRiffWave(const RiffReadAt& readAt, uint64_t size, RiffWaveScan* pScan);
