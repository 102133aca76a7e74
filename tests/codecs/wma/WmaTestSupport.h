#pragma once
// Helpers of the WMA tests on top of the shared codec-test helpers: chirps,
// the ffmpeg/ffprobe reference round trips, a correlation that searches both
// ways and a recorder of progress.

#include "codecs/CodecTestSupport.h"
#include "wave/ControlEvents.h"

#include <cstdint>
#include <string>
#include <vector>

class CRMWave;

namespace wmatest {

using codectest::Capture;
using codectest::DocumentBytes;
using codectest::DocumentSamples;
using codectest::FillDocument;
using codectest::Q;
using codectest::ReadFile;
using codectest::ScratchDir;
using codectest::Shell;
using codectest::WriteFile;

// Interleaved 16-bit chirps, a different one per channel, about half scale.
std::vector<int16_t> MakeChirp(int frames, int channels, int rate);
void WriteRawFile(const std::string& path, const std::vector<int16_t>& samples);
std::vector<int16_t> ReadRawFile(const std::string& path);

// Encodes raw 16-bit PCM with ffmpeg's wmav2 into `wma`; true on success.
bool EncodeWma(const std::vector<int16_t>& samples, int channels, int rate, int bitRate, const std::string& wma,
               const ScratchDir& dir);
// Decodes any file with ffmpeg to 16-bit PCM at its own rate and channels.
std::vector<int16_t> DecodeWithFfmpeg(const std::string& path, const ScratchDir& dir);
// One field of ffprobe's description of the first audio stream, or of the
// container when `stream` is false.
std::string Probe(const std::string& path, const std::string& field, bool stream = true);

// The best normalised correlation of `b` against `a` for b shifted by
// -maxLag..maxLag frames; *lag receives the shift found.
double BestCorrelation(const std::vector<int16_t>& a, const std::vector<int16_t>& b, int channels, int maxLag,
                       int* lag = nullptr);

class ProgressRecorder : public IControlEvents {
public:
    ProgressRecorder() { SetControlEvents(this); }
    ~ProgressRecorder() override { SetControlEvents(nullptr); }
    void FireProgress(float percent) override { progress.push_back(percent); }
    void PumpMessages() override { ++pumps; }

    std::vector<float> progress;
    long pumps = 0;
};

}  // namespace wmatest
