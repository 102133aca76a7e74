#pragma once
// A real vrt-sendd process for the tests: started on a free loopback port with
// a data folder of its own, stopped (or killed) at the end. Qt-free, so that
// both the GoogleTest and the Qt Test programs use it.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <sys/types.h>

namespace sendd_test {

// A scratch folder removed with everything in it.
class ScratchDir
{
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::filesystem::path& Path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

// The databases a test can run against: "sqlite" always, "postgresql" when
// the test command started a cluster (VRT_TEST_PGHOST names its socket folder).
std::vector<std::string> Backends();
// A fresh database of that backend for one test: a file in `dir`, or a new
// PostgreSQL database. Empty when the backend cannot be had here.
std::string FreshDatabase(const std::string& backend, const std::filesystem::path& dir);

// Runs the program with `args`; returns its exit status and standard output.
struct CommandResult
{
    int status = -1;
    std::string output;
};
CommandResult RunSendd(const std::vector<std::string>& args);

class ServerProcess
{
public:
    // Starts `vrt-sendd serve --listen 127.0.0.1:0 --data DATA --database DB ARGS...`
    // and waits until it listens.
    ServerProcess(std::filesystem::path dataDir, std::string database, std::vector<std::string> extraArgs = {});
    ~ServerProcess();
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    bool Running() const { return m_pid > 0; }
    int Port() const { return m_port; }
    std::string BaseUrl() const { return "http://127.0.0.1:" + std::to_string(m_port); }
    const std::string& Database() const { return m_database; }
    const std::filesystem::path& DataDir() const { return m_dataDir; }

    // SIGKILL, as a crash would.
    void Kill();
    // Starts it again on the same data.
    void Restart();

private:
    void Start();
    void Stop();

    std::filesystem::path m_dataDir;
    std::string m_database;
    std::vector<std::string> m_extraArgs;
    pid_t m_pid = -1;
    int m_port = 0;
};

// A valid 16-bit mono WAV file of about `bytes` bytes; `seed` varies the samples.
std::string MakeWav(std::size_t bytes, int seed = 0);
// A file converted by ffmpeg from a WAV (extension picks the format); empty on failure.
std::string ConvertWith(const std::string& wav, const std::string& extension, const std::filesystem::path& dir);
std::string ReadFile(const std::filesystem::path& path);
std::string Sha256Hex(const std::string& bytes);

// The seven upload headers, in the program's order.
struct UploadFields
{
    std::string creditCode = "CODE1";
    std::string mobileNo = "447700900123";
    std::string mobileModel = "Nokia 3310";
    std::string countryName = "None";
    std::string email = "ann@example.org";
    std::string fileName = "ring.wav";
    std::optional<std::string> fileLength; // default: the body's length
};

struct Answer
{
    int status = 0; // 0: no answer; `body` then says why
    std::string error; // the ERROR header
    std::string body;
    std::string contentType;
    std::string disposition;
};

// POSTs one ringtone with cpp-httplib's client.
Answer Upload(int port, const std::string& body, const UploadFields& fields = {},
              std::optional<std::string> dropHeader = std::nullopt);
Answer Get(int port, const std::string& path, const std::string& authorization = {});

// Files under a folder, recursively, as paths relative to it.
std::vector<std::string> FilesUnder(const std::filesystem::path& dir);

} // namespace sendd_test
