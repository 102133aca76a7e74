#include "WaveHeader.h"

std::unique_ptr<WaveBlock> WaveBlock::Make(std::size_t bytes)
{
    auto block = std::make_unique<WaveBlock>();
    block->data.assign(bytes, 0);
    block->header.lpData = block->data.data();
    block->header.dwBufferLength = static_cast<uint32_t>(bytes);
    return block;
}

std::unique_ptr<WaveBlock> WaveBlock::Copy() const
{
    auto copy = std::make_unique<WaveBlock>();
    copy->header = header;
    copy->data = data;
    copy->header.lpData = copy->data.data();
    return copy;
}
