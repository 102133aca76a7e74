#pragma once
// The one block loop of the document: streams bytes from a source to a sink
// through a single 65,536-byte buffer, with a message-pump step per block.

#include <cstddef>
#include <cstdint>
#include <functional>

class CWorkFile;

struct BlockCopyResult {
    int64_t nCopied = 0;       // bytes written to the sink
    bool bWriteFailed = false; // the sink refused a block
};

// read(buffer, n) returns the bytes it delivered (fewer at the source's end);
// write(buffer, n) returns false when it could not take all n bytes.
// Copies at most `count` bytes, stopping early at the source's end.
BlockCopyResult CopyBlocks(int64_t count,
                           const std::function<std::size_t(uint8_t*, std::size_t)>& read,
                           const std::function<bool(const uint8_t*, std::size_t)>& write);

// Copies at most `count` bytes of `source` from byte `from` to byte `to` of
// `target`, block by block (inside the kernel where the file systems allow
// it), with the same pump step per block. Neither file position moves.
BlockCopyResult CopyFileBlocks(CWorkFile& source, int64_t from, CWorkFile& target, int64_t to, int64_t count);
