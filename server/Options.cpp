#include "Options.h"

#include <charconv>
#include <cstdlib>
#include <functional>
#include <map>

namespace sendd {

const char kUsage[] =
    "usage: vrt-sendd [serve] [options]          run the sending service\n"
    "       vrt-sendd credit add CODE --balance N [options]\n"
    "       vrt-sendd credit list [options]\n"
    "       vrt-sendd ringtones list [options]\n"
    "options:\n"
    "  --listen ADDR:PORT      address to listen on (127.0.0.1:8787; port 0 picks a free one)\n"
    "  --public-url URL        scheme, host and port used in the links handed out\n"
    "  --data DIR              files and the SQLite database (~/.local/share/vanto-ringtone/service)\n"
    "  --database URL          postgresql://... to keep the tables in PostgreSQL\n"
    "  --max-bytes N           largest ringtone accepted (10485760)\n"
    "  --deliver-cmd CMD       run CMD NUMBER TEXT for each delivery\n"
    "  --deliver-retry S       seconds before the first retry of a failed delivery (30)\n"
    "  --admin-password P      serve /admin to anyone with this password (user name free)\n"
    "  --instance NAME         this instance's folder in a shared file store (main)\n"
    "  --workers N             requests served at once (32)\n"
    "  --queue N               connections waiting beyond those (128)\n"
    "  --request-timeout S     time allowed for a request to arrive (30, plus 1 s per 32 KB of body)\n";

namespace {

template <typename T>
bool ToNumber(const std::string& text, T& out)
{
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return ec == std::errc() && end == text.data() + text.size() && !text.empty();
}

bool ParseListen(const std::string& text, Options& o)
{
    const auto colon = text.rfind(':');
    if (colon == std::string::npos)
        return false;
    std::string host = text.substr(0, colon);
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    o.listenHost = host;
    return !host.empty() && ToNumber(text.substr(colon + 1), o.listenPort) && o.listenPort >= 0
        && o.listenPort <= 65535;
}

std::string DefaultDataDir()
{
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg)
        return std::string(xdg) + "/vanto-ringtone/service";
    const char* home = std::getenv("HOME");
    return std::string(home ? home : ".") + "/.local/share/vanto-ringtone/service";
}

} // namespace

std::string Options::DatabaseLocation() const
{
    return database.empty() ? dataDir + "/vrt-sendd.sqlite" : database;
}

std::optional<Options> ParseOptions(const std::vector<std::string>& args, std::string& error)
{
    Options o;
    std::size_t i = 0;
    auto word = [&](std::size_t k) { return k < args.size() ? args[k] : std::string(); };
    if (word(0) == "serve") {
        i = 1;
    } else if (word(0) == "credit" && word(1) == "add" && !word(2).empty() && !word(2).starts_with("--")) {
        o.command = Options::Command::CreditAdd;
        o.creditCode = word(2);
        i = 3;
    } else if (word(0) == "credit" && word(1) == "list") {
        o.command = Options::Command::CreditList;
        i = 2;
    } else if (word(0) == "ringtones" && word(1) == "list") {
        o.command = Options::Command::RingtonesList;
        i = 2;
    } else if (word(0) == "--help" || word(0) == "-h" || word(0) == "help") {
        o.command = Options::Command::Help;
        return o;
    } else if (!word(0).empty() && !word(0).starts_with("--")) {
        error = "unknown command: " + word(0);
        return std::nullopt;
    }

    bool balanceGiven = false;
    const std::map<std::string, std::function<bool(const std::string&)>> setters = {
        {"--listen", [&](const std::string& v) { return ParseListen(v, o); }},
        {"--public-url", [&](const std::string& v) { o.publicUrl = v; return v.starts_with("http"); }},
        {"--data", [&](const std::string& v) { o.dataDir = v; return !v.empty(); }},
        {"--database", [&](const std::string& v) { o.database = v; return !v.empty(); }},
        {"--max-bytes", [&](const std::string& v) { return ToNumber(v, o.maxBytes) && o.maxBytes > 0; }},
        {"--deliver-cmd", [&](const std::string& v) { o.deliverCmd = v; return !v.empty(); }},
        {"--deliver-retry", [&](const std::string& v) { return ToNumber(v, o.deliverRetrySeconds); }},
        {"--admin-password", [&](const std::string& v) { o.adminPassword = v; return !v.empty(); }},
        {"--instance", [&](const std::string& v) {
             o.instance = v;
             return !v.empty() && v.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789-_") == std::string::npos;
         }},
        {"--workers", [&](const std::string& v) { return ToNumber(v, o.workers) && o.workers > 0; }},
        {"--queue", [&](const std::string& v) { return ToNumber(v, o.queue) && o.queue >= 0; }},
        {"--request-timeout", [&](const std::string& v) { return ToNumber(v, o.requestTimeout) && o.requestTimeout > 0; }},
        {"--balance", [&](const std::string& v) { balanceGiven = true; return ToNumber(v, o.balance) && o.balance >= 0; }},
    };
    for (; i < args.size(); i += 2) {
        const auto setter = setters.find(args[i]);
        if (setter == setters.end()) {
            error = "unknown option: " + args[i];
            return std::nullopt;
        }
        if (i + 1 >= args.size() || !setter->second(args[i + 1])) {
            error = "bad value for " + args[i];
            return std::nullopt;
        }
    }
    if (o.command == Options::Command::CreditAdd && !balanceGiven) {
        error = "credit add needs --balance N";
        return std::nullopt;
    }
    if (o.dataDir.empty())
        o.dataDir = DefaultDataDir();
    return o;
}

} // namespace sendd
