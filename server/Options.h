#pragma once
// vrt-sendd's command line.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sendd {

struct Options
{
    enum class Command { Serve, CreditAdd, CreditList, RingtonesList, Help };
    Command command = Command::Serve;

    std::string listenHost = "127.0.0.1";
    int listenPort = 8787;
    std::string publicUrl;    // default: http:// and the listening address
    std::string dataDir;      // default: ~/.local/share/vanto-ringtone/service
    std::string database;     // default: SQLite file in dataDir
    std::uint64_t maxBytes = 10 * 1024 * 1024;
    std::string deliverCmd;
    int deliverRetrySeconds = 30;
    std::string adminPassword;
    std::string instance = "main";
    int workers = 32;
    int queue = 128;
    int requestTimeout = 30;

    std::string creditCode;   // credit add
    std::int64_t balance = 0; // credit add

    std::string DatabaseLocation() const;
};

// The options, or an error message.
std::optional<Options> ParseOptions(const std::vector<std::string>& args, std::string& error);

extern const char kUsage[];

} // namespace sendd
