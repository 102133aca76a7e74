#pragma once
// The system clipboard, holding a wave as MIME type "audio/wav".

#include "wave/WaveClipboard.h"

class CQtWaveClipboard final : public IWaveClipboard {
public:
    static constexpr const char* kMimeType = "audio/wav";

    int PutWaveImage(const std::vector<uint8_t>& image) override;
    std::optional<std::vector<uint8_t>> GetWaveImage() override;
};
