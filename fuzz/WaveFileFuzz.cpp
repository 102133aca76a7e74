// The RIFF/WAVE reader: CWaveFile::OpenRead on a file holding the input, then
// the whole data chunk through Read. What the file reader finds must agree
// with the in-memory walk of the same bytes.
#include "FuzzInput.h"

#include "wave/CWaveFile.h"

#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    const auto path = WriteFuzzInput("input.wav", data, size);
    CWaveFile wave;
    if (wave.OpenRead(path) != 0) {
        FuzzCheck(wave.GetFormat() == nullptr, "a failed open leaves a format");
        return 0;
    }
    const WaveFormat* format = wave.GetFormat();
    FuzzCheck(format != nullptr, "an open file has a format");
    FuzzCheck(wave.GetFormatExtra().size() == format->cbSize, "extra bytes match cbSize");
    const uint32_t dataSize = wave.GetDataSize();
    FuzzCheck(dataSize > 0 && dataSize <= size, "the data chunk lies inside the file");

    std::size_t offset = 0;
    std::size_t length = 0;
    WaveFormat imageFormat;
    FuzzCheck(FindWaveImageData(data, size, &offset, &length, &imageFormat),
              "the image walk finds what the file reader found");
    FuzzCheck(length == dataSize, "both walks give one data size");
    FuzzCheck(imageFormat.ToBytes() == format->ToBytes(), "both walks give one format");

    std::vector<uint8_t> block(65536);
    uint32_t total = 0;
    while (total < dataSize) {
        const uint32_t want = std::min<uint32_t>(dataSize - total, static_cast<uint32_t>(block.size()));
        uint32_t got = 0;
        FuzzCheck(wave.Read(block.data(), want, &got) == static_cast<int64_t>(got), "Read returns its count");
        FuzzCheck(got == want, "the whole data chunk can be read");
        FuzzCheck(std::memcmp(block.data(), data + offset + total, got) == 0, "the data bytes are the file's");
        total += got;
    }
    FuzzCheck(wave.Close() == 0, "closing a reader succeeds");
    return 0;
}
