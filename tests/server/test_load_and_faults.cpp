// Many uploads at once on one credit code, and a crash in the middle of
// uploads: the balance always matches what is stored, and no file is left
// without its record.

#include "ServiceFixture.h"

#include <atomic>
#include <mutex>
#include <set>
#include <thread>

using namespace sendd_test;
using namespace std::chrono_literals;

namespace {

using LoadTest = ServiceTest;

// Every stored ringtone's file is there and intact; there is no other file.
void ExpectStoreMatchesRecords(sendd::Storage& storage, const std::filesystem::path& data)
{
    std::vector<std::string> recorded;
    for (const sendd::Ringtone& r : storage.Ringtones()) {
        recorded.push_back("main/" + std::filesystem::path(r.storedPath).filename().string());
        EXPECT_EQ(Sha256Hex(ReadFile(data / "files" / r.storedPath)), r.sha256) << r.storedPath;
    }
    std::sort(recorded.begin(), recorded.end());
    EXPECT_EQ(FilesUnder(data / "files"), recorded);
    EXPECT_TRUE(FilesUnder(data / "tmp").empty());
}

} // namespace

TEST_P(LoadTest, TwoHundredUploadsOnABalanceOf150)
{
    StartService({}, 150);
    std::atomic<int> ok = 0, balance = 0, other = 0;
    std::mutex mutex;
    std::string unexpected;
    std::vector<std::thread> clients;
    for (int c = 0; c < 20; ++c)
        clients.emplace_back([&, c] {
            for (int i = 0; i < 10; ++i) {
                const Answer a = Upload(Port(), MakeWav(100 * 1024, c * 10 + i));
                if (a.status == 200)
                    ++ok;
                else if (a.status == 400 && a.error == "BALANCE")
                    ++balance;
                else {
                    ++other;
                    std::lock_guard lock(mutex);
                    unexpected += std::to_string(a.status) + " " + a.error + " " + a.body + "\n";
                }
            }
        });
    for (auto& t : clients)
        t.join();
    EXPECT_EQ(ok, 150);
    EXPECT_EQ(balance, 50);
    EXPECT_EQ(other, 0) << unexpected;
    EXPECT_EQ(m_storage->Balance("CODE1"), 0);
    EXPECT_EQ(m_storage->Ringtones().size(), 150u);
    ExpectStoreMatchesRecords(*m_storage, m_dir.Path());
}

TEST_P(LoadTest, KilledInTheMiddleOfUploadsLosesNothingAndLeavesNoOrphan)
{
    StartService({}, 100000);
    std::atomic<bool> stop = false;
    std::atomic<int> succeeded = 0;
    std::vector<std::thread> clients;
    for (int c = 0; c < 6; ++c)
        clients.emplace_back([&, c] {
            for (int i = 0; !stop; ++i)
                if (Upload(Port(), MakeWav(300 * 1024, c * 1000 + i)).status == 200)
                    ++succeeded;
        });
    // Let uploads be in every stage, then crash.
    for (int i = 0; i < 1200 && succeeded < 12; ++i)
        std::this_thread::sleep_for(50ms);
    m_server->Kill();
    stop = true;
    for (auto& t : clients)
        t.join();
    ASSERT_GE(succeeded, 12);

    m_server->Restart();
    const std::int64_t stored = static_cast<std::int64_t>(m_storage->Ringtones().size());
    EXPECT_GE(stored, succeeded); // an answer lost in the crash may still have been stored
    EXPECT_EQ(m_storage->Balance("CODE1"), 100000 - stored);
    EXPECT_EQ(m_storage->Deliveries().size(), static_cast<std::size_t>(stored));
    ExpectStoreMatchesRecords(*m_storage, m_dir.Path());
    // And it serves again.
    EXPECT_EQ(Upload(Port(), MakeWav(4000)).status, 200);
}

INSTANTIATE_TEST_SUITE_P(Backends, LoadTest, ::testing::ValuesIn(Backends()),
                         [](const auto& info) { return info.param; });
