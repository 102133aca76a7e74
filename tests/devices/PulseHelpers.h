#pragma once
// What the end-to-end device tests need around the real sound server: a
// private null sink for this process (so that parallel tests do not hear each
// other), child processes for parecord and paplay, and tone analysis.

#include <chrono>
#include <cstdint>
#include <memory>
#include <filesystem>
#include <string>
#include <vector>

// Runs a command through the shell; its standard output, or empty on failure.
bool RunCommand(const std::string& command, std::string* output = nullptr);

// A null sink of our own, loaded into the running PulseAudio server, made the
// default sink and source (its monitor) of this process's new streams
// through PULSE_SINK and PULSE_SOURCE. Unloaded on destruction.
class PrivateNullSink {
public:
    PrivateNullSink();
    ~PrivateNullSink();
    PrivateNullSink(const PrivateNullSink&) = delete;
    PrivateNullSink& operator=(const PrivateNullSink&) = delete;

    bool IsLoaded() const { return !m_module.empty(); }
    const std::string& Name() const { return m_name; }
    std::string Monitor() const { return m_name + ".monitor"; }

private:
    std::string m_name;
    std::string m_module;
};

// A child process with its output sent to /dev/null; interrupted (SIGINT)
// and reaped on Stop or destruction.
class ChildProcess {
public:
    explicit ChildProcess(const std::vector<std::string>& argv);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool IsRunning() const { return m_pid > 0; }
    // Interrupts the child and waits for it; its exit status, or -1.
    int Stop();

private:
    int m_pid = -1;
};

// Waits until `file` exists with some content; FALSE after `timeout`.
bool WaitForFileToGrow(const std::filesystem::path& file, std::chrono::seconds timeout);

// A temporary directory, removed with its content.
class TempDir {
public:
    TempDir();
    ~TempDir();
    const std::filesystem::path& Path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

std::vector<int16_t> ReadRawMono16(const std::filesystem::path& file);
std::vector<int16_t> Mono16FromBytes(const std::vector<uint8_t>& bytes);

// First and one-past-last sample whose magnitude reaches `threshold`.
struct Region {
    std::size_t begin = 0;
    std::size_t end = 0;
    std::size_t Length() const { return end - begin; }
};
Region ActiveRegion(const std::vector<int16_t>& samples, int threshold);

// The frequency in [low, high] Hz with the most energy in the samples,
// found with a Goertzel scan in 1 Hz steps, then 0.1 Hz around the peak.
double DominantFrequency(const std::vector<int16_t>& samples, int rate, double low, double high);

double Rms(const std::vector<int16_t>& samples);

// The longest run, in samples, of near-silence (|x| < threshold) in [begin, end).
std::size_t LongestQuietRun(const std::vector<int16_t>& samples, Region region, int threshold);

// A PulseAudio server of the test's own, on a socket in `dir`, with a null
// sink or with no device at all. Unlike the shared server, it may be stopped
// in the middle of a test. Clients reach it through PULSE_SERVER.
class PrivateServer {
public:
    PrivateServer(const std::filesystem::path& dir, bool withNullSink);
    ~PrivateServer();
    bool IsRunning() const;
    std::string Address() const { return "unix:" + m_socket.string(); }
    void Stop();

private:
    std::filesystem::path m_socket;
    std::unique_ptr<ChildProcess> m_process;
};
