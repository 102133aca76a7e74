#include "RiffScan.h"

#include "WaveFormat.h"

#include <algorithm>
#include <cstring>

namespace {

bool IdIs(const uint8_t* p, const char* id)
{
    return std::memcmp(p, id, 4) == 0;
}

}  // namespace

bool ScanRiffWave(const RiffReadAt& readAt, uint64_t size, RiffWaveScan* pScan)
{
    RiffWaveScan& scan = *pScan;
    scan = RiffWaveScan{};

    uint8_t header[12];
    if (size < sizeof header || readAt(0, header, sizeof header) != sizeof header)
        return false;
    if (!IdIs(header, "RIFF") || !IdIs(header + 8, "WAVE"))
        return false;
    const uint64_t end = std::min<uint64_t>(size, 8 + static_cast<uint64_t>(ReadLE32(header + 4)));

    uint64_t pos = 12;
    while (pos + 8 <= end) {
        uint8_t chunk[8];
        if (readAt(pos, chunk, sizeof chunk) != sizeof chunk)
            break;
        const uint64_t chunkSize = ReadLE32(chunk + 4);
        const uint64_t body = pos + 8;

        if (IdIs(chunk, "fmt ") && !scan.bFormat) {
            // Never allocate more than the image can hold: a short chunk fails.
            if (chunkSize > size - body) {
                scan.bFailed = true;
                return true;
            }
            scan.fmtChunk.assign(std::max<uint64_t>(chunkSize, WaveFormat::kRecordSize), 0);
            if (readAt(body, scan.fmtChunk.data(), chunkSize) != chunkSize) {
                scan.bFailed = true;
                return true;
            }
            scan.bFormat = true;
        } else if (IdIs(chunk, "data") && (!scan.bData || scan.nDataSize == 0)) {
            scan.bData = true;
            scan.nDataOffset = body;
            scan.nDataSize = chunkSize;
        } else if (IdIs(chunk, "fact") && scan.nFactSamples == 0 && chunkSize >= 4) {
            uint8_t fact[4];
            if (readAt(body, fact, sizeof fact) == sizeof fact)
                scan.nFactSamples = ReadLE32(fact);
        }
        pos = body + chunkSize + (chunkSize & 1);  // chunks are padded to even sizes
    }
    return true;
}
