// The clipboard paste: FindWaveImageData on the input as an image, then
// CRMWave::PasteFromClipboard of the same image from a CMemoryClipboard into a
// small document. A paste inserts exactly the image's data bytes at the cursor.
#include "FuzzInput.h"

#include "wave/CRMWave.h"
#include "wave/CWaveFile.h"
#include "wave/WaveClipboard.h"

#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

std::vector<uint8_t> DocumentBytes(const CRMWave& wave)
{
    std::ifstream in(wave.GetPath(), std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    std::size_t offset = 0;
    std::size_t length = 0;
    WaveFormat format;
    const bool found = FindWaveImageData(data, size, &offset, &length, &format);
    if (found)
        FuzzCheck(offset <= size && length <= size - offset, "the data range lies inside the image");

    // One document for the whole run: a working directory per input would
    // spend the time on directory creation.
    static CRMWave wave;
    static CMemoryClipboard clipboard;
    wave.SetClipboard(&clipboard);
    const uint8_t before[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};  // three 16-bit stereo frames
    FuzzCheck(wave.CreateNew(2, 44100, 16), "a document can be created");
    FuzzCheck(wave.WriteData(before, sizeof before), "the document can be filled");
    wave.UpdateLength();
    wave.m_nCursor = 1;

    clipboard.PutWaveImage(std::vector<uint8_t>(data, data + size));
    const bool pasted = wave.PasteFromClipboard();
    const std::vector<uint8_t> after = DocumentBytes(wave);
    if (!pasted) {
        FuzzCheck(!found || length == 0, "a paste of found data succeeds");
        FuzzCheck(after.size() == sizeof before && std::memcmp(after.data(), before, sizeof before) == 0,
                  "a refused paste leaves the document alone");
        return 0;
    }
    FuzzCheck(found && length > 0, "a paste needs data");
    FuzzCheck(after.size() == sizeof before + length, "the document grows by the data's size");
    FuzzCheck(std::memcmp(after.data(), before, 4) == 0, "bytes before the cursor stay");
    FuzzCheck(std::memcmp(after.data() + 4, data + offset, length) == 0, "the data is inserted at the cursor");
    FuzzCheck(std::memcmp(after.data() + 4 + length, before + 4, sizeof before - 4) == 0,
              "bytes after the cursor move up");
    FuzzCheck(wave.m_nSelBegin == 1 && wave.m_nSelEnd == 1 + wave.BytesToFrames(static_cast<int64_t>(length)),
              "the pasted range is selected");
    return 0;
}
