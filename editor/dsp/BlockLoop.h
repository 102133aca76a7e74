#pragma once
// The per-block loop shared by the in-place sample effects (amplify, fades,
// invert, bass boost), and the positioned reads and writes the other effects
// use on the working file.

#include <cstddef>
#include <cstdint>
#include <functional>

class CRMWave;

// Called once per block with the block's whole frames and the number of
// selection frames that came before the block.
using BlockProcessor = std::function<void(uint8_t* block, int frames, int32_t framesBefore)>;

// Walks the selection in blocks of up to `bufferSize` bytes: reports progress
// and pumps before each block, reads it into `buffer`, lets `process` rewrite
// it and writes it back in place. Ends with a progress report of 0. An empty
// selection gives one report of 0 and then 0 again.
void ProcessSelectionBlocks(CRMWave& wave, uint8_t* buffer, std::size_t bufferSize,
                            const BlockProcessor& process);

// Integer percentage done * 100 / total, capped at 100; 0 when total is 0.
int PercentOf(int64_t done, int64_t total);

// Reads or writes the working file at a frame-aligned byte offset.
std::size_t ReadWaveAt(CRMWave& wave, int64_t byteOffset, void* buffer, std::size_t count);
bool WriteWaveAt(CRMWave& wave, int64_t byteOffset, const void* buffer, std::size_t count);
