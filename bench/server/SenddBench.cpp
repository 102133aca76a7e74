// Upload throughput and latency of a real vrt-sendd on loopback. Each client
// keeps one connection and sends 100 KB WAV bodies back to back.
// Usage: sendd_bench [uploads per client level, default 400]

#include "ServerProcess.h"
#include "Storage.h"

#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

using namespace sendd_test;
using Clock = std::chrono::steady_clock;

namespace {

struct Figures
{
    double uploadsPerSecond = 0;
    double p50Ms = 0;
    double p99Ms = 0;
    int failed = 0;
};

Figures Measure(int port, int clients, int total, const std::string& body)
{
    std::vector<std::vector<double>> latencies(static_cast<std::size_t>(clients));
    std::vector<int> failures(static_cast<std::size_t>(clients), 0);
    const int each = std::max(1, total / clients);
    const auto start = Clock::now();
    std::vector<std::thread> threads;
    for (int c = 0; c < clients; ++c)
        threads.emplace_back([&, c] {
            httplib::Client client("127.0.0.1", port);
            client.set_keep_alive(true);
            client.set_read_timeout(120, 0);
            const httplib::Headers headers = {
                {"CreditCode", "BENCH"}, {"MobileNo", "447700900123"}, {"MobileModel", "Nokia"},
                {"CountryName", "None"}, {"Email", "bench@example.org"}, {"FileName", "bench.wav"},
                {"FileLength", std::to_string(body.size())}};
            for (int i = 0; i < each; ++i) {
                const auto t0 = Clock::now();
                const auto r = client.Post("/ktx-pro/ZodiZedere.do", headers, body, "application/octet-stream");
                latencies[static_cast<std::size_t>(c)].push_back(
                    std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
                if (!r || r->status != 200)
                    ++failures[static_cast<std::size_t>(c)];
            }
        });
    for (auto& t : threads)
        t.join();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::vector<double> all;
    for (const auto& l : latencies)
        all.insert(all.end(), l.begin(), l.end());
    std::sort(all.begin(), all.end());
    Figures f;
    f.uploadsPerSecond = static_cast<double>(all.size()) / seconds;
    f.p50Ms = all[all.size() / 2];
    f.p99Ms = all[std::min(all.size() - 1, all.size() * 99 / 100)];
    for (int n : failures)
        f.failed += n;
    return f;
}

} // namespace

int main(int argc, char** argv)
{
    const int total = argc > 1 ? std::atoi(argv[1]) : 400;
    const std::string body = MakeWav(100 * 1024);
    std::printf("| database | clients | uploads/s | p50 ms | p99 ms | failed |\n|---|---|---|---|---|---|\n");
    for (const std::string& backend : Backends()) {
        for (const int clients : {1, 8, 32}) {
            ScratchDir dir;
            const std::string database = FreshDatabase(backend, dir.Path());
            if (database.empty()) {
                std::printf("| %s | %d | not available here | | | |\n", backend.c_str(), clients);
                continue;
            }
            sendd::Storage(database, 1).AddCredit("BENCH", 1000000);
            ServerProcess server(dir.Path(), database, {"--workers", "64"});
            Measure(server.Port(), clients, clients * 4, body); // warm-up
            const Figures f = Measure(server.Port(), clients, std::max(total, clients * 10), body);
            std::printf("| %s | %d | %.0f | %.1f | %.1f | %d |\n", backend.c_str(), clients, f.uploadsPerSecond,
                        f.p50Ms, f.p99Ms, f.failed);
            std::fflush(stdout);
        }
    }
    return 0;
}
