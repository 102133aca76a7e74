#pragma once
// The clipboard as the document sees it: a complete RIFF/WAVE file image goes
// in, and one comes out. The control provides the system clipboard; tests use
// CMemoryClipboard.

#include <cstdint>
#include <optional>
#include <vector>

class IWaveClipboard {
public:
    virtual ~IWaveClipboard() = default;

    // Places the image on the clipboard. Returns 0 on success, or a non-zero
    // error number that the caller shows to the user.
    virtual int PutWaveImage(const std::vector<uint8_t>& image) = 0;

    // The wave image on the clipboard, or nothing when none is there.
    virtual std::optional<std::vector<uint8_t>> GetWaveImage() = 0;
};

// A clipboard held in memory, for tests and hosts without a system clipboard.
class CMemoryClipboard final : public IWaveClipboard {
public:
    int PutWaveImage(const std::vector<uint8_t>& image) override
    {
        if (m_nFailWith != 0)
            return m_nFailWith;
        m_image = image;
        return 0;
    }
    std::optional<std::vector<uint8_t>> GetWaveImage() override { return m_image; }

    void Clear() { m_image.reset(); }
    // Makes the next puts fail with the given error number (0 restores success).
    void FailPutsWith(int error) { m_nFailWith = error; }

private:
    std::optional<std::vector<uint8_t>> m_image;
    int m_nFailWith = 0;
};
