#include "BlockCopy.h"

#include "CRMWave.h"
#include "CWorkFile.h"
#include "ControlEvents.h"

#include <algorithm>
#include <vector>

BlockCopyResult CopyBlocks(int64_t count,
                           const std::function<std::size_t(uint8_t*, std::size_t)>& read,
                           const std::function<bool(const uint8_t*, std::size_t)>& write)
{
    BlockCopyResult result;
    std::vector<uint8_t> buffer(CRMWave::kBlockSize);
    while (result.nCopied < count) {
        const auto want = static_cast<std::size_t>(
            std::min<int64_t>(count - result.nCopied, static_cast<int64_t>(buffer.size())));
        const std::size_t got = read(buffer.data(), want);
        if (got == 0)
            break;
        if (!write(buffer.data(), got)) {
            result.bWriteFailed = true;
            break;
        }
        result.nCopied += static_cast<int64_t>(got);
        PumpMessages();
        if (got < want)
            break;
    }
    return result;
}

BlockCopyResult CopyFileBlocks(CWorkFile& source, int64_t from, CWorkFile& target, int64_t to, int64_t count)
{
    BlockCopyResult result;
    const auto block = static_cast<int64_t>(CRMWave::kBlockSize);
    while (result.nCopied < count) {
        const int64_t want = std::min(count - result.nCopied, block);
        const int64_t got = source.CopyTo(target, want, from + result.nCopied, to + result.nCopied);
        if (got < 0) {
            result.bWriteFailed = true;
            break;
        }
        if (got == 0)
            break;
        result.nCopied += got;
        PumpMessages();
        if (got < want)
            break;
    }
    return result;
}
