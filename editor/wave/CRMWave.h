#pragma once
// The editor's one wave document: its PCM format, view range, selection,
// cursor and single undo record. The samples live in the working file
// "Wave.tmp" (raw interleaved PCM, no header) inside the document's private
// working directory; nothing holds the whole document in memory. Every bulk
// operation streams through one 65,536-byte buffer with a pump step per block.
//
// Positions are frame indices. Byte offsets are 64-bit so that documents
// larger than 2 GiB stay addressable.

#include "CWaveUndo.h"
#include "CWorkDir.h"
#include "CWorkFile.h"
#include "WaveFormat.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>

class IWaveClipboard;

class CRMWave {
public:
    static constexpr std::size_t kBlockSize = 65536;

    CRMWave();
    ~CRMWave();
    CRMWave(const CRMWave&) = delete;
    CRMWave& operator=(const CRMWave&) = delete;

    // --- Lifecycle -------------------------------------------------------
    // Re-creates "Wave.tmp" empty with the given format. FALSE when it cannot
    // be created; the document then has length 0.
    bool CreateNew(int32_t channels, int32_t samplesPerSec, int32_t bitsPerSample);
    // Deletes the working file and returns to 16-bit 44100 Hz stereo, empty.
    int Reset();

    // --- Working-file access ---------------------------------------------
    // Writes at the current position. FALSE when not every byte was written.
    bool WriteData(const void* buffer, std::size_t count);
    // Writes after the last byte of the working file, wherever the position
    // was; the position is then at the end. FALSE as WriteData.
    bool AppendData(const void* buffer, std::size_t count);
    // Copies up to `count` bytes from `source`'s position to the working
    // file's position, as reading them from `source` and WriteData would,
    // but inside the kernel where it can. Both positions move on. Bytes
    // copied (fewer when `source` ends), or -1 when a read or write failed.
    int64_t WriteDataFrom(CWorkFile& source, int64_t count) { return source.CopyTo(m_file, count); }
    // Reads from the current position; bytes read, 0 at the end.
    std::size_t ReadData(void* buffer, std::size_t count);
    void SeekToStart();
    void SeekToFrame(int32_t frame);
    void SeekToCursor();
    // One sample as an unsigned drawing level: 16-bit gives (sample + 32767)
    // mod 65536, 8-bit gives 255 - byte. 0 when closed or past the end.
    uint16_t GetLevel(int32_t channel, int32_t frame);
    // The levels of channels 0 .. count - 1 of one frame, read at once; 0 for
    // each channel GetLevel gives 0.
    void GetLevels(int32_t frame, uint16_t* levels, int32_t count);
    // Moves on with every change of the working file; equal values mean the
    // same samples.
    uint64_t DataChanges() const { return m_file.Changes(); }
    // Recomputes m_nLength from the file size; the only source of m_nLength.
    int32_t UpdateLength();
    // Keeps the view inside the document, keeping its width where possible.
    void ClampView();
    bool IsOpen() const { return m_file.IsOpen(); }
    // Moves to the end of the working file, where the next WriteData appends.
    void SeekToEnd();
    // Bytes in the working file.
    int64_t GetDataLength() const;
    // Reads or writes at a byte offset of the working file without moving the
    // current position: bytes read (short at the end); FALSE unless all written.
    std::size_t ReadAt(int64_t offset, void* buffer, std::size_t count) { return m_file.ReadAt(offset, buffer, count); }
    bool WriteAt(int64_t offset, const void* buffer, std::size_t count) { return m_file.WriteAt(offset, buffer, count); }
    // The working file "Wave.tmp" (empty before the first CreateNew).
    const std::filesystem::path& GetPath() const { return m_strPath; }
    // The undo record, as the last edit left it.
    const CWaveUndo& GetUndo() const { return m_undo; }

    // Opens a gap of `gap` bytes at byte offset `at`: the file first grows by
    // the gap (refused, with nothing changed, when that fails), then the tail
    // moves up backward in blocks. The gap's old bytes are left in place.
    // FALSE if growing or any block move failed. Does not run UpdateLength.
    bool OpenGap(int64_t at, int64_t gap);
    // Removes `gap` bytes at byte offset `at`: the tail moves down forward in
    // blocks, then the file shrinks. FALSE on a failed move or resize.
    // Does not run UpdateLength.
    bool CloseGap(int64_t at, int64_t gap);

    // --- Selection and conversions -----------------------------------------
    int32_t GetViewLength() const { return m_nViewEnd - m_nViewBegin; }
    bool HasSelection() const { return m_nSelBegin != m_nSelEnd; }
    void Deselect() { m_nSelBegin = m_nSelEnd = 0; }
    int SelectAll();
    int64_t FramesToBytes(int64_t frames) const;
    int32_t BytesToFrames(int64_t bytes) const;
    int32_t SecondsToFrames(float seconds) const;
    int64_t SecondsToBytes(float seconds) const;
    double FramesToSeconds(int64_t frames) const;
    int32_t BlockAlign() const { return m_nChannels * (m_nBitsPerSample / 8); }
    WaveFormat GetFormat() const
    {
        return WaveFormat::Pcm(m_nChannels, m_nSamplesPerSec, m_nBitsPerSample);
    }

    // --- Editing, clipboard and undo ---------------------------------------
    // Records the selection for undo. FALSE, with the old record kept, when
    // there is no selection. FALSE with an empty record when "Wave.sel"
    // could not be written.
    bool SaveUndo(int32_t kind);
    // Performs and consumes the undo record. FALSE when empty or failed.
    bool Undo();
    // Removes the selected frames. FALSE when a block move or the resize
    // failed (the document is then left as the failed step left it).
    bool DeleteSelection();
    // Puts the selection on the clipboard as a RIFF/WAVE image.
    bool CopyToClipboard();
    // Inserts the clipboard's wave data at the cursor and selects it. TRUE
    // only when data was inserted; nothing changes when growing the file fails.
    bool PasteFromClipboard();

    void SetClipboard(IWaveClipboard* clipboard) { m_pClipboard = clipboard; }
    // The path of a working file ("Wave.tmp", "Wave.sel", "Wave.fx",
    // "Wave.clp") in this document's private directory.
    std::filesystem::path WorkFilePath(const char* name) const { return m_workDir.File(name); }

    // Public to the control, the view and the decoders, which set them directly.
    int32_t m_nViewBegin = 0;
    int32_t m_nViewEnd = 0;
    int32_t m_nSelBegin = 0;
    int32_t m_nSelEnd = 0;
    int32_t m_nCursor = 0;
    int32_t m_nLength = 0;
    int32_t m_nBitsPerSample = 16;
    int32_t m_nSamplesPerSec = 44100;
    int32_t m_nChannels = 2;

private:
    // The levels of `channels` channels of one frame from `firstChannel`.
    void ReadLevels(int32_t frame, int32_t firstChannel, int32_t channels, uint16_t* levels);

    CWorkDir m_workDir;  // first: the files below live inside it
    CWaveUndo m_undo;
    CWorkFile m_file;
    std::filesystem::path m_strPath;  // "Wave.tmp" in the working directory
    IWaveClipboard* m_pClipboard = nullptr;
};
