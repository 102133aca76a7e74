// A WAV of any channel count (1 to 8) and width (8 or 16 bits) loaded through
// CSoundFile, then a sequence of the edits and effects a host calls, run as
// the control runs them (undo record, operation): selection, delete, copy,
// paste, insert silence, every effect, undo. After every step the length is
// the working file's and a whole number of frames; an Undo right after an
// edit that recorded one gives back the bytes from before that edit.
//
// Input: channels, width, frame count (2 bytes), then the operations; the
// samples are the input's bytes over and over.
#include "FuzzInput.h"

#include "codecs/CSoundFile.h"
#include "dsp/CWaveEffects.h"
#include "wave/CRMWave.h"
#include "wave/WaveClipboard.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

class Input {
public:
    Input(const uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}
    bool Empty() const { return m_pos >= m_size; }
    uint8_t Byte() { return m_pos < m_size ? m_data[m_pos++] : 0; }
    uint16_t Word() { return static_cast<uint16_t>(Byte() | (Byte() << 8)); }

private:
    const uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

void Put16(std::vector<uint8_t>& v, uint32_t x) { v.push_back(x & 0xFF); v.push_back((x >> 8) & 0xFF); }
void Put32(std::vector<uint8_t>& v, uint32_t x) { Put16(v, x & 0xFFFF); Put16(v, x >> 16); }

std::vector<uint8_t> WaveImage(int channels, int bits, int frames, const uint8_t* data, std::size_t size)
{
    const uint32_t align = static_cast<uint32_t>(channels * bits / 8);
    const uint32_t bytes = align * static_cast<uint32_t>(frames);
    std::vector<uint8_t> v;
    v.insert(v.end(), {'R', 'I', 'F', 'F'});
    Put32(v, 36 + bytes);
    v.insert(v.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    Put32(v, 16);
    Put16(v, 1);
    Put16(v, static_cast<uint32_t>(channels));
    Put32(v, 8000);
    Put32(v, 8000 * align);
    Put16(v, align);
    Put16(v, static_cast<uint32_t>(bits));
    v.insert(v.end(), {'d', 'a', 't', 'a'});
    Put32(v, bytes);
    for (uint32_t i = 0; i < bytes; ++i)
        v.push_back(size ? data[i % size] : 0);
    return v;
}

std::vector<uint8_t> DocumentBytes(const CRMWave& wave)
{
    std::ifstream in(wave.WorkFilePath("Wave.tmp"), std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void CheckLength(CRMWave& wave)
{
    const auto bytes = static_cast<int64_t>(DocumentBytes(wave).size());
    FuzzCheck(bytes % wave.BlockAlign() == 0, "the working file holds whole frames");
    FuzzCheck(wave.m_nLength == wave.BytesToFrames(bytes), "the length is the working file's");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    Input in(data, size);
    const int channels = 1 + in.Byte() % 8;
    const int bits = (in.Byte() & 1) ? 16 : 8;
    const int frames = 1 + in.Word() % 20000;  // the reader refuses an empty data chunk
    const std::vector<uint8_t> image = WaveImage(channels, bits, frames, data, size);
    const auto path = WriteFuzzInput("input.wav", image.data(), image.size());

    static CRMWave wave;  // one working directory for the whole run
    static CMemoryClipboard clipboard;
    wave.SetClipboard(&clipboard);
    clipboard.Clear();
    CSoundFile sound;
    sound.m_pWave = &wave;
    CWaveEffects effects(&wave);
    FuzzCheck(wave.CreateNew(2, 44100, 16), "a document can be created");
    FuzzCheck(sound.LoadFile(path.string(), 4) == 1, "a well-formed WAV loads");
    FuzzCheck(wave.m_nChannels == channels && wave.m_nBitsPerSample == bits, "the document has the file's format");
    FuzzCheck(wave.m_nLength == frames, "the document has the file's frames");
    CheckLength(wave);
    // The reader leaves the range to its caller, as the control's Load resets it;
    // the last input's selection may lie past this document's end.
    wave.Deselect();
    wave.m_nCursor = 0;

    std::vector<uint8_t> beforeUndoable;  // the bytes before the last edit that recorded an undo
    bool undoable = false;
    for (int step = 0; step < 24 && !in.Empty(); ++step) {
        const uint8_t op = in.Byte() % 8;
        const std::vector<uint8_t> before = DocumentBytes(wave);
        const int32_t length = wave.m_nLength;
        bool recorded = false;
        switch (op) {
        case 0: {  // a selection and the cursor at its start
            const int32_t a = length ? in.Word() % (length + 1) : 0;
            const int32_t b = length ? in.Word() % (length + 1) : 0;
            wave.m_nSelBegin = std::min(a, b);
            wave.m_nSelEnd = std::max(a, b);
            wave.m_nCursor = wave.m_nSelBegin;
            break;
        }
        case 1: wave.SelectAll(); break;
        case 2: {  // Delete
            const int32_t selected = wave.m_nSelEnd - wave.m_nSelBegin;
            recorded = wave.SaveUndo(UndoReinsert);
            FuzzCheck(wave.DeleteSelection(), "a delete succeeds");
            FuzzCheck(wave.m_nLength == length - selected, "a delete removes the selected frames");
            break;
        }
        case 3: wave.CopyToClipboard(); break;
        case 4: {  // Paste
            if (wave.PasteFromClipboard()) {
                recorded = wave.SaveUndo(UndoRemove);
                FuzzCheck(wave.m_nLength == length + (wave.m_nSelEnd - wave.m_nSelBegin),
                          "a paste inserts the selected frames");
            }
            break;
        }
        case 5: {  // Undo
            const bool undone = wave.Undo();
            if (undoable) {
                FuzzCheck(undone, "an edit's undo succeeds");
                FuzzCheck(DocumentBytes(wave) == beforeUndoable, "undo gives back the bytes before the edit");
            }
            undoable = false;
            // Undo selects the record's range; after a removal that range may
            // lie past the new end. The control's view takes it from there,
            // so the sequence goes on from a range inside the document.
            wave.m_nSelEnd = std::min(wave.m_nSelEnd, wave.m_nLength);
            wave.m_nSelBegin = std::min(wave.m_nSelBegin, wave.m_nSelEnd);
            wave.m_nCursor = std::min(wave.m_nCursor, wave.m_nLength);
            break;
        }
        case 6: {  // Insert silence: the undo record comes after the insertion
            const float seconds = static_cast<float>(in.Byte()) / 256.0f;
            effects.ApplyEffect(FxKindInsertSilence, seconds);
            FuzzCheck(wave.m_nLength >= length, "inserting silence does not shorten the document");
            recorded = wave.SaveUndo(UndoRemove) && wave.m_nLength > length;
            break;
        }
        default: {  // An effect over the selection
            const int32_t kind = 1 + in.Byte() % 12;
            const float a = static_cast<float>(in.Word()) / 16.0f;
            const float b = static_cast<float>(in.Word()) / 16.0f;
            recorded = wave.SaveUndo(UndoRestore);
            effects.ApplyEffect(kind, kind == FxKindNoiseRemoval ? static_cast<float>(in.Byte() & 1) : a,
                                kind == FxKindEcho ? b / 4096.0f : b);
            FuzzCheck(wave.m_nLength == length, "an effect keeps the length");
            break;
        }
        }
        if (op != 5 && recorded) {
            beforeUndoable = before;
            undoable = true;
        } else if (op != 5 && op != 0 && op != 1 && op != 3) {
            undoable = false;  // an edit without a record of its own: the old record is not its undo
        }
        CheckLength(wave);
        FuzzCheck(wave.m_nSelBegin >= 0 && wave.m_nSelEnd <= wave.m_nLength, "the selection lies in the document");
    }
    return 0;
}
