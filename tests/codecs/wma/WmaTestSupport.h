#pragma once
// Helpers of the WMA tests: a scratch folder, the reference tools (ffmpeg,
// ffprobe), test signals and their comparison, and a recorder of progress.

#include "wave/ControlEvents.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

class CRMWave;

namespace wmatest {

class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    std::string File(const std::string& name) const { return (m_path / name).string(); }
    const std::filesystem::path& Path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

// Runs a shell command quietly; its exit status.
int Shell(const std::string& command);
// Runs a command and returns its standard output.
std::string Capture(const std::string& command);
std::string Q(const std::string& path);

// Interleaved 16-bit chirps, a different one per channel, about half scale.
std::vector<int16_t> MakeChirp(int frames, int channels, int rate);
void WriteRawFile(const std::string& path, const std::vector<int16_t>& samples);
std::vector<int16_t> ReadRawFile(const std::string& path);
void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> ReadBytes(const std::string& path);

// Encodes raw 16-bit PCM with ffmpeg's wmav2 into `wma`; true on success.
bool EncodeWma(const std::vector<int16_t>& samples, int channels, int rate, int bitRate, const std::string& wma,
               const ScratchDir& dir);
// Decodes any file with ffmpeg to 16-bit PCM at its own rate and channels.
std::vector<int16_t> DecodeWithFfmpeg(const std::string& path, const ScratchDir& dir);
// One field of ffprobe's description of the first audio stream, or of the
// container when `stream` is false.
std::string Probe(const std::string& path, const std::string& field, bool stream = true);

std::vector<int16_t> DocumentSamples(CRMWave& wave);
std::vector<uint8_t> DocumentBytes(CRMWave& wave);
void FillDocument(CRMWave& wave, const std::vector<int16_t>& samples, int channels, int rate);

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
