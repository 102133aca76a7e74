#include "PulseHelpers.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <numbers>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

bool RunCommand(const std::string& command, std::string* output)
{
    FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r");
    if (!pipe)
        return false;
    std::string text;
    std::array<char, 256> buffer;
    while (std::fgets(buffer.data(), buffer.size(), pipe))
        text += buffer.data();
    const int status = ::pclose(pipe);
    if (output)
        *output = text;
    return status == 0;
}

PrivateNullSink::PrivateNullSink() : m_name("vrt_devices_" + std::to_string(::getpid()))
{
    std::string module;
    if (!RunCommand("pactl load-module module-null-sink sink_name=" + m_name +
                        " rate=44100 channels=2 sink_properties=device.description=" + m_name,
                    &module))
        return;
    while (!module.empty() && (module.back() == '\n' || module.back() == ' '))
        module.pop_back();
    m_module = module;
    ::setenv("PULSE_SINK", m_name.c_str(), 1);
    ::setenv("PULSE_SOURCE", Monitor().c_str(), 1);
}

PrivateNullSink::~PrivateNullSink()
{
    if (!m_module.empty())
        RunCommand("pactl unload-module " + m_module);
    ::unsetenv("PULSE_SINK");
    ::unsetenv("PULSE_SOURCE");
}

ChildProcess::ChildProcess(const std::vector<std::string>& argv)
{
    std::vector<char*> args;
    for (const auto& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    if (posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ) == 0)
        m_pid = pid;
    posix_spawn_file_actions_destroy(&actions);
}

ChildProcess::~ChildProcess()
{
    Stop();
}

int ChildProcess::Stop()
{
    if (m_pid <= 0)
        return -1;
    ::kill(m_pid, SIGINT);
    int status = 0;
    ::waitpid(m_pid, &status, 0);
    m_pid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool WaitForFileToGrow(const std::filesystem::path& file, std::chrono::seconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::error_code error;
    while (std::chrono::steady_clock::now() < deadline) {
        if (std::filesystem::file_size(file, error) > 0 && !error)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

PrivateServer::PrivateServer(const std::filesystem::path& dir, bool withNullSink) : m_socket(dir / "pulse.sock")
{
    std::filesystem::create_directories(dir / "runtime");
    std::vector<std::string> argv{"env", "HOME=" + dir.string(), "XDG_RUNTIME_DIR=" + (dir / "runtime").string(),
                                  "pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no",
                                  "-L", "module-native-protocol-unix socket=" + m_socket.string()};
    if (withNullSink) {
        argv.push_back("-L");
        argv.push_back("module-null-sink");
    }
    m_process = std::make_unique<ChildProcess>(argv);
    for (int i = 0; i < 100 && !IsRunning(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
}

PrivateServer::~PrivateServer()
{
    Stop();
}

bool PrivateServer::IsRunning() const
{
    return m_process && m_process->IsRunning() && RunCommand("PULSE_SERVER=" + Address() + " pactl info");
}

void PrivateServer::Stop()
{
    if (m_process)
        m_process->Stop();
}

TempDir::TempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "vrt-devices-XXXXXX").string();
    if (::mkdtemp(pattern.data()))
        m_path = pattern;
}

TempDir::~TempDir()
{
    std::error_code ignored;
    if (!m_path.empty())
        std::filesystem::remove_all(m_path, ignored);
}

std::vector<int16_t> Mono16FromBytes(const std::vector<uint8_t>& bytes)
{
    std::vector<int16_t> samples(bytes.size() / 2);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<int16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    return samples;
}

std::vector<int16_t> ReadRawMono16(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return Mono16FromBytes(bytes);
}

Region ActiveRegion(const std::vector<int16_t>& samples, int threshold)
{
    Region r;
    bool found = false;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        if (std::abs(samples[i]) >= threshold) {
            if (!found)
                r.begin = i;
            found = true;
            r.end = i + 1;
        }
    }
    return r;
}

namespace {
double GoertzelPower(const std::vector<int16_t>& samples, int rate, double hz)
{
    const double coeff = 2 * std::cos(2 * std::numbers::pi * hz / rate);
    double s1 = 0, s2 = 0;
    for (int16_t x : samples) {
        const double s = x + coeff * s1 - s2;
        s2 = s1;
        s1 = s;
    }
    return s1 * s1 + s2 * s2 - coeff * s1 * s2;
}
}  // namespace

double DominantFrequency(const std::vector<int16_t>& samples, int rate, double low, double high)
{
    double best = low, bestPower = -1;
    for (double hz = low; hz <= high; hz += 1.0) {
        const double p = GoertzelPower(samples, rate, hz);
        if (p > bestPower) {
            bestPower = p;
            best = hz;
        }
    }
    const double coarse = best;
    for (double hz = coarse - 1; hz <= coarse + 1; hz += 0.1) {
        const double p = GoertzelPower(samples, rate, hz);
        if (p > bestPower) {
            bestPower = p;
            best = hz;
        }
    }
    return best;
}

double Rms(const std::vector<int16_t>& samples)
{
    if (samples.empty())
        return 0;
    double sum = 0;
    for (int16_t x : samples)
        sum += static_cast<double>(x) * x;
    return std::sqrt(sum / samples.size());
}

std::size_t LongestQuietRun(const std::vector<int16_t>& samples, Region region, int threshold)
{
    std::size_t longest = 0, run = 0;
    for (std::size_t i = region.begin; i < region.end && i < samples.size(); ++i) {
        run = std::abs(samples[i]) < threshold ? run + 1 : 0;
        longest = std::max(longest, run);
    }
    return longest;
}
