#include "ServerProcess.h"

#include <httplib.h>
#include <libpq-fe.h>
#include <openssl/evp.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace fs = std::filesystem;

namespace sendd_test {
namespace {

struct Spawned
{
    pid_t pid = -1;
    int out = -1; // read end of its standard output
};

Spawned Spawn(const std::vector<std::string>& args)
{
    int pipefd[2];
    if (::pipe2(pipefd, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipefd[1], STDOUT_FILENO);
    std::vector<std::string> argv0 = {VRT_SENDD_PATH};
    argv0.insert(argv0.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : argv0)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    Spawned s;
    const int rc = posix_spawn(&s.pid, VRT_SENDD_PATH, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipefd[1]);
    if (rc != 0) {
        ::close(pipefd[0]);
        throw std::runtime_error("cannot start " VRT_SENDD_PATH);
    }
    s.out = pipefd[0];
    return s;
}

// Reads the child's output up to the end, or up to a line holding `until`.
std::string ReadOutput(int fd, const std::string& until = {})
{
    std::string text;
    char buffer[4096];
    for (;;) {
        if (!until.empty()) {
            const auto at = text.find(until);
            if (at != std::string::npos && text.find('\n', at) != std::string::npos)
                return text;
        }
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return text;
        text.append(buffer, static_cast<std::size_t>(n));
    }
}

std::string PgAdminUrl()
{
    const char* host = std::getenv("VRT_TEST_PGHOST");
    return host ? std::string("postgresql:///postgres?host=") + host + "&user=postgres" : std::string();
}

} // namespace

ScratchDir::ScratchDir()
{
    std::string pattern = (fs::temp_directory_path() / "vrt-sendd-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp");
    m_path = pattern;
}

ScratchDir::~ScratchDir()
{
    std::error_code ec;
    fs::remove_all(m_path, ec);
}

std::vector<std::string> Backends()
{
    return {"sqlite", "postgresql"};
}

std::string FreshDatabase(const std::string& backend, const fs::path& dir)
{
    if (backend == "sqlite")
        return (dir / "vrt-sendd.sqlite").string();
    const std::string admin = PgAdminUrl();
    if (admin.empty())
        return {};
    std::unique_ptr<PGconn, void (*)(PGconn*)> conn(PQconnectdb(admin.c_str()), PQfinish);
    if (PQstatus(conn.get()) != CONNECTION_OK)
        return {};
    static std::mt19937_64 random{std::random_device{}()};
    const std::string name = "vrt_test_" + std::to_string(::getpid()) + "_" + std::to_string(random() % 1000000000);
    PGresult* r = PQexec(conn.get(), ("CREATE DATABASE " + name).c_str());
    const bool ok = PQresultStatus(r) == PGRES_COMMAND_OK;
    PQclear(r);
    if (!ok)
        return {};
    return "postgresql:///" + name + "?host=" + std::getenv("VRT_TEST_PGHOST") + "&user=postgres";
}

CommandResult RunSendd(const std::vector<std::string>& args)
{
    Spawned s = Spawn(args);
    CommandResult result;
    result.output = ReadOutput(s.out);
    ::close(s.out);
    int status = 0;
    ::waitpid(s.pid, &status, 0);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

ServerProcess::ServerProcess(fs::path dataDir, std::string database, std::vector<std::string> extraArgs)
    : m_dataDir(std::move(dataDir)), m_database(std::move(database)), m_extraArgs(std::move(extraArgs))
{
    Start();
}

ServerProcess::~ServerProcess() { Stop(); }

void ServerProcess::Start()
{
    std::vector<std::string> args = {"serve", "--listen", "127.0.0.1:0", "--data", m_dataDir.string(),
                                     "--database", m_database};
    args.insert(args.end(), m_extraArgs.begin(), m_extraArgs.end());
    Spawned s = Spawn(args);
    const std::string marker = "listening on http://127.0.0.1:";
    const std::string text = ReadOutput(s.out, marker);
    ::close(s.out); // later output goes nowhere
    m_pid = s.pid;
    const auto at = text.find(marker);
    if (at == std::string::npos) {
        Stop();
        throw std::runtime_error("vrt-sendd did not start: " + text);
    }
    m_port = std::stoi(text.substr(at + marker.size()));
}

void ServerProcess::Stop()
{
    if (m_pid <= 0)
        return;
    ::kill(m_pid, SIGTERM);
    int status = 0;
    ::waitpid(m_pid, &status, 0);
    m_pid = -1;
}

void ServerProcess::Kill()
{
    if (m_pid <= 0)
        return;
    ::kill(m_pid, SIGKILL);
    int status = 0;
    ::waitpid(m_pid, &status, 0);
    m_pid = -1;
}

void ServerProcess::Restart()
{
    Stop();
    Start();
}

std::string MakeWav(std::size_t bytes, int seed)
{
    const std::uint32_t dataSize = static_cast<std::uint32_t>(bytes > 44 ? (bytes - 44) & ~1u : 2);
    std::string wav;
    auto u32 = [&wav](std::uint32_t v) { for (int i = 0; i < 4; ++i) wav.push_back(static_cast<char>(v >> (8 * i))); };
    auto u16 = [&wav](std::uint16_t v) { wav.push_back(static_cast<char>(v)); wav.push_back(static_cast<char>(v >> 8)); };
    wav += "RIFF";
    u32(36 + dataSize);
    wav += "WAVEfmt ";
    u32(16);
    u16(1);     // PCM
    u16(1);     // mono
    u32(8000);  // rate
    u32(16000); // bytes per second
    u16(2);
    u16(16);
    wav += "data";
    u32(dataSize);
    std::minstd_rand noise(static_cast<unsigned>(seed) + 1);
    for (std::uint32_t i = 0; i < dataSize / 2; ++i)
        u16(static_cast<std::uint16_t>(static_cast<std::int16_t>((i * 37 % 2000) - 1000 + noise() % 64)));
    return wav;
}

std::string ConvertWith(const std::string& wav, const std::string& extension, const fs::path& dir)
{
    const fs::path in = dir / "convert-in.wav";
    const fs::path out = dir / ("convert-out." + extension);
    std::ofstream(in, std::ios::binary) << wav;
    const std::string format = extension == "m4r" ? " -f ipod" : extension == "wma" ? " -c:a wmav2 -f asf" : "";
    const std::string command = "ffmpeg -loglevel error -y -i '" + in.string() + "'" + format + " '" + out.string() + "'";
    if (std::system(command.c_str()) != 0)
        return {};
    return ReadFile(out);
}

std::string ReadFile(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

std::string Sha256Hex(const std::string& bytes)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_sha256(), nullptr);
    static constexpr char kHex[] = "0123456789abcdef";
    std::string hex;
    for (unsigned int i = 0; i < length; ++i) {
        hex.push_back(kHex[digest[i] >> 4]);
        hex.push_back(kHex[digest[i] & 0xF]);
    }
    return hex;
}

Answer Upload(int port, const std::string& body, const UploadFields& f, std::optional<std::string> dropHeader)
{
    httplib::Client client("127.0.0.1", port);
    client.set_read_timeout(120, 0);
    client.set_write_timeout(120, 0);
    client.set_connection_timeout(30, 0);
    httplib::Headers headers;
    const std::pair<const char*, std::string> fields[] = {
        {"CreditCode", f.creditCode}, {"MobileNo", f.mobileNo}, {"MobileModel", f.mobileModel},
        {"CountryName", f.countryName}, {"Email", f.email}, {"FileName", f.fileName},
        {"FileLength", f.fileLength.value_or(std::to_string(body.size()))},
    };
    for (const auto& [name, value] : fields)
        if (!dropHeader || *dropHeader != name)
            headers.emplace(name, value);
    const auto result = client.Post("/ktx-pro/ZodiZedere.do", headers, body, "application/octet-stream");
    if (!result)
        return {0, {}, httplib::to_string(result.error()), {}, {}};
    return {result->status, result->get_header_value("ERROR"), result->body, {}, {}};
}

Answer Get(int port, const std::string& path, const std::string& authorization)
{
    httplib::Client client("127.0.0.1", port);
    client.set_read_timeout(60, 0);
    httplib::Headers headers;
    if (!authorization.empty())
        headers.emplace("Authorization", authorization);
    const auto result = client.Get(path, headers);
    if (!result)
        return {};
    return {result->status, result->get_header_value("ERROR"), result->body,
            result->get_header_value("Content-Type"), result->get_header_value("Content-Disposition")};
}

std::vector<std::string> FilesUnder(const fs::path& dir)
{
    std::vector<std::string> files;
    std::error_code ec;
    for (const auto& entry : fs::recursive_directory_iterator(dir, ec))
        if (entry.is_regular_file())
            files.push_back(fs::relative(entry.path(), dir).string());
    std::sort(files.begin(), files.end());
    return files;
}

} // namespace sendd_test
