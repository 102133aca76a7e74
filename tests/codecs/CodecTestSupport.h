#pragma once
// Shared helpers of the codec tests: a scratch folder, the reference tools,
// test signals, crafted WAV images and signal comparison.

#include "wave/ControlEvents.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

class CRMWave;

namespace codectest {

// A fresh folder under the system's temporary location, removed afterwards.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::filesystem::path& Path() const { return m_path; }
    std::string File(const std::string& name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

// Runs a shell command; its exit status (0 on success). Output is dropped
// unless captured.
int Shell(const std::string& command);
// Runs a command and returns its standard output.
std::string Capture(const std::string& command);
// Quotes a path for the shell.
std::string Q(const std::string& path);

// Interleaved 16-bit test signal: a different tone per channel plus a slow
// sweep, at about half of full scale.
std::vector<int16_t> MakeSignal(int frames, int channels, int rate);

// Writes bytes to a file, replacing it.
void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> ReadFile(const std::string& path);

// Little-endian byte building.
void Put16(std::vector<uint8_t>& out, uint16_t value);
void Put32(std::vector<uint8_t>& out, uint32_t value);
void PutTag(std::vector<uint8_t>& out, const char* tag);
void PutChunk(std::vector<uint8_t>& out, const char* tag, const std::vector<uint8_t>& body);
// A whole RIFF/WAVE image from its sub-chunks (already serialised).
std::vector<uint8_t> RiffWave(const std::vector<uint8_t>& chunks);
// An 18-byte "fmt " body (cbSize 0).
std::vector<uint8_t> FmtBody(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits);
std::vector<uint8_t> ToBytes(const std::vector<int16_t>& samples);
std::vector<int16_t> ToSamples(const std::vector<uint8_t>& bytes);
// Unsigned 8-bit bytes of 16-bit samples (the high byte, offset by 128), and
// those bytes widened back to 16 bits as a reader of them hears them.
std::vector<uint8_t> ToEightBit(const std::vector<int16_t>& samples);
std::vector<int16_t> WidenEightBit(const std::vector<uint8_t>& bytes);
// A plain 16-bit PCM WAV file.
void WritePcm16Wav(const std::string& path, const std::vector<int16_t>& samples, int channels, int rate);

// Every byte of the document's working file.
std::vector<uint8_t> DocumentBytes(CRMWave& wave);
// The same as 16-bit samples.
std::vector<int16_t> DocumentSamples(CRMWave& wave);
// Fills the document with 16-bit samples (CreateNew first).
void FillDocument(CRMWave& wave, const std::vector<int16_t>& samples, int channels, int rate);
// The same with raw sample bytes of any width.
void FillDocumentBytes(CRMWave& wave, const std::vector<uint8_t>& bytes, int channels, int rate, int bits);

// The best normalised correlation of `b` against `a` over lags 0..maxLag
// (b delayed); *pLag gets the lag found.
double BestCorrelation(const std::vector<int16_t>& a, const std::vector<int16_t>& b, int channels,
                       int maxLag, int* pLag = nullptr);

// Records what the core reports: a Progress value as itself, a pump step as
// the marker kPump.
class EventRecorder : public IControlEvents {
public:
    static constexpr float kPump = -1000.0f;
    EventRecorder() { SetControlEvents(this); }
    ~EventRecorder() override { SetControlEvents(nullptr); }
    void FireProgress(float percent) override { events.push_back(percent); }
    void PumpMessages() override { events.push_back(kPump); }

    // The progress values alone.
    std::vector<float> Progress() const;
    // True when every progress value is followed directly by a pump step.
    bool EachReportPumped() const;

    std::vector<float> events;
};

}  // namespace codectest
