#pragma once
// Collects decoded PCM into 64 KB blocks before appending them to the
// document, so that a decoder's small outputs (one MP3 frame, one Vorbis
// packet) do not each cost a write to the working file.

#include <cstddef>
#include <cstdint>
#include <vector>

class CRMWave;

class CDocumentAppender {
public:
    explicit CDocumentAppender(CRMWave& wave);
    // Appends what is still held; a failure here is not reported (call Flush).
    ~CDocumentAppender();
    CDocumentAppender(const CDocumentAppender&) = delete;
    CDocumentAppender& operator=(const CDocumentAppender&) = delete;

    // False when a write to the working file failed.
    bool Append(const void* data, std::size_t count);
    bool Flush();

private:
    CRMWave& m_wave;
    std::vector<uint8_t> m_block;
};
