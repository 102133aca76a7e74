// vrt-sendd: receives ringtones from VantoRingtone, charges the sender's
// credit code and hands out a link a phone can open.

#include "BoundedServer.h"
#include "Deliverer.h"
#include "FileStore.h"
#include "Options.h"
#include "SendService.h"
#include "Storage.h"

#include <csignal>
#include <filesystem>
#include <iostream>
#include <memory>
#include <set>
#include <thread>

using namespace sendd;

namespace {

std::string HostForUrl(const std::string& host)
{
    return host.find(':') != std::string::npos ? "[" + host + "]" : host;
}

int Serve(const Options& o)
{
    std::filesystem::create_directories(o.dataDir);
    Storage storage(o.DatabaseLocation(), std::max(2, std::min(o.workers, 8)));
    FileStore files(o.dataDir, o.instance);
    std::set<std::string> stored;
    for (const Ringtone& r : storage.Ringtones())
        stored.insert(r.storedPath);
    if (const int swept = files.Sweep(stored); swept > 0)
        std::cout << "vrt-sendd: removed " << swept << " file(s) left by an interrupted upload" << std::endl;

    ConnectionLimits limits;
    limits.requestTimeout = std::chrono::seconds(o.requestTimeout);
    BoundedServer server(limits, o.workers, o.queue);
    const int port = o.listenPort == 0 ? server.bind_to_any_port(o.listenHost)
                                       : (server.bind_to_port(o.listenHost, o.listenPort) ? o.listenPort : -1);
    if (port <= 0) {
        std::cerr << "vrt-sendd: cannot listen on " << o.listenHost << ":" << o.listenPort << std::endl;
        return 1;
    }
    server.WidenBacklog(o.workers + o.queue);
    const std::string address = "http://" + HostForUrl(o.listenHost) + ":" + std::to_string(port);
    ServiceConfig config{o.publicUrl.empty() ? address : o.publicUrl, o.maxBytes, o.adminPassword};
    while (!config.publicUrl.empty() && config.publicUrl.back() == '/')
        config.publicUrl.pop_back();

    std::unique_ptr<Deliverer> deliverer;
    if (!o.deliverCmd.empty())
        deliverer = std::make_unique<Deliverer>(storage, o.deliverCmd, std::chrono::seconds(o.deliverRetrySeconds));
    SendService service(config, storage, files, [&deliverer] {
        if (deliverer)
            deliverer->Wake();
    });
    service.Install(server);

    // SIGINT and SIGTERM end the service cleanly.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    std::thread stopper([&server, signals] {
        int received = 0;
        sigwait(&signals, &received);
        // A signal that comes before the listening loop has begun must wait
        // for it: stopping a server that is not running yet does nothing.
        while (!server.is_running())
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        server.stop();
    });
    stopper.detach();

    std::cout << "vrt-sendd listening on " << address << "\n"
              << "admin page: " << address << "/admin\n"
              << "database: " << (IsPostgresUrl(o.DatabaseLocation()) ? "PostgreSQL" : o.DatabaseLocation())
              << std::endl;
    server.listen_after_bind();
    return 0;
}

int CreditAdd(const Options& o)
{
    std::filesystem::create_directories(o.dataDir);
    Storage storage(o.DatabaseLocation(), 1);
    const std::int64_t balance = storage.AddCredit(o.creditCode, o.balance);
    std::cout << o.creditCode << " balance " << balance << std::endl;
    return 0;
}

int CreditList(const Options& o)
{
    Storage storage(o.DatabaseLocation(), 1);
    for (const CreditCode& c : storage.Credits())
        std::cout << c.code << "\t" << c.balance << "\n";
    return 0;
}

int RingtonesList(const Options& o)
{
    Storage storage(o.DatabaseLocation(), 1);
    for (const Ringtone& r : storage.Ringtones())
        std::cout << r.token << "\t" << r.fileName << "\t" << r.mobileNo << "\t" << r.creditCode << "\t"
                  << r.sizeBytes << "\t" << r.sha256 << "\n";
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    std::string error;
    const auto options = ParseOptions(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!options) {
        std::cerr << "vrt-sendd: " << error << "\n" << kUsage;
        return 2;
    }
    try {
        switch (options->command) {
        case Options::Command::Help: std::cout << kUsage; return 0;
        case Options::Command::Serve: return Serve(*options);
        case Options::Command::CreditAdd: return CreditAdd(*options);
        case Options::Command::CreditList: return CreditList(*options);
        case Options::Command::RingtonesList: return RingtonesList(*options);
        }
    } catch (const std::exception& e) {
        std::cerr << "vrt-sendd: " << e.what() << std::endl;
        return 1;
    }
    return 1;
}
