// The storage interface against each database: the same tests for SQLite and
// for PostgreSQL (a throwaway cluster that the test command starts).

#include "FileStore.h"
#include "Random.h"
#include "Schema.h"
#include "ServerProcess.h"
#include "Storage.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <thread>

using namespace sendd;
using namespace sendd_test;

namespace {

class StorageTest : public ::testing::TestWithParam<std::string>
{
protected:
    void SetUp() override
    {
        m_location = FreshDatabase(GetParam(), m_dir.Path());
        if (m_location.empty())
            GTEST_SKIP() << "PostgreSQL is not running here: scripts/test.sh starts a throwaway cluster and sets "
                            "VRT_TEST_PGHOST to its socket folder";
    }

    Ringtone Sample(const std::string& code) const
    {
        Ringtone r;
        r.token = RandomToken();
        r.creditCode = code;
        r.mobileNo = "447700900123";
        r.mobileModel = "Nokia";
        r.email = "ann@example.org";
        r.fileName = "ring.wav";
        r.fileType = "wav";
        r.sizeBytes = 4;
        r.sha256 = "00";
        r.storedPath = "main/" + r.token + ".wav";
        r.createdAt = NowSeconds();
        r.durationMs = 1500;
        return r;
    }

    ScratchDir m_dir;
    std::string m_location;
};

} // namespace

TEST_P(StorageTest, CreditCodesAreAddedToppedUpAndListed)
{
    Storage storage(m_location);
    EXPECT_EQ(storage.AddCredit("B-CODE", 5), 5);
    EXPECT_EQ(storage.AddCredit("A-CODE", 0), 0);
    EXPECT_EQ(storage.AddCredit("B-CODE", 3), 8);
    const auto credits = storage.Credits();
    ASSERT_EQ(credits.size(), 2u);
    EXPECT_EQ(credits[0].code, "A-CODE");
    EXPECT_EQ(credits[1].code, "B-CODE");
    EXPECT_EQ(credits[1].balance, 8);
    EXPECT_EQ(storage.Balance("B-CODE"), 8);
    EXPECT_EQ(storage.Balance("nope"), std::nullopt);
}

TEST_P(StorageTest, ConcurrentChargesNeverSpendMoreThanTheBalance)
{
    Storage storage(m_location, 4);
    storage.AddCredit("SHARED", 30);
    storage.AddCredit("EMPTY", 0);
    std::atomic<int> stored = 0, zero = 0, unknown = 0, placed = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < 10; ++i) {
                const std::string code = (t == 7 && i == 0) ? "NO-SUCH" : (t == 6 && i == 0) ? "EMPTY" : "SHARED";
                switch (storage.ChargeAndStore(Sample(code), "text", [&] { ++placed; }, [] {})) {
                case ChargeOutcome::Stored: ++stored; break;
                case ChargeOutcome::ZeroBalance: ++zero; break;
                case ChargeOutcome::UnknownCode: ++unknown; break;
                }
            }
        });
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(stored, 30);
    EXPECT_EQ(placed, 30);
    EXPECT_EQ(zero, 49);
    EXPECT_EQ(unknown, 1);
    EXPECT_EQ(storage.Balance("SHARED"), 0);
    EXPECT_EQ(storage.Ringtones().size(), 30u);
    EXPECT_EQ(storage.Deliveries().size(), 30u);
}

TEST_P(StorageTest, AFileThatCannotBePlacedChargesNothing)
{
    Storage storage(m_location);
    storage.AddCredit("CODE", 2);
    const Ringtone r = Sample("CODE");
    EXPECT_THROW(storage.ChargeAndStore(r, "text", [] { throw std::runtime_error("disk full"); }, [] {}),
                 std::runtime_error);
    EXPECT_EQ(storage.Balance("CODE"), 2);
    EXPECT_TRUE(storage.Ringtones().empty());
    EXPECT_TRUE(storage.Deliveries().empty());
    // The pool still works after the failure.
    EXPECT_EQ(storage.ChargeAndStore(Sample("CODE"), "text", [] {}, [] {}), ChargeOutcome::Stored);
    EXPECT_EQ(storage.Balance("CODE"), 1);
}

TEST_P(StorageTest, AnOlderDatabaseIsMigratedWithItsData)
{
    {
        auto db = OpenDatabase(m_location);
        MigrateSchema(*db, 1);
        db->Run("INSERT INTO credit_codes (code, balance, created_at) VALUES ($1, $2, $3)",
                {std::string("OLD"), std::int64_t{4}, std::int64_t{1}});
        db->Run("INSERT INTO ringtones (token, credit_code, mobile_no, mobile_model, email, file_name, file_type,"
                " size_bytes, sha256, stored_path, created_at) VALUES ($1, $2, $3, $4, $5, $6, $7, $8, $9, $10, $11)",
                {std::string("t1"), std::string("OLD"), std::string("44"), std::string("m"), std::string("e"),
                 std::string("old.mp3"), std::string("mp3"), std::int64_t{10}, std::string("ab"),
                 std::string("main/t1.mp3"), std::int64_t{2}});
        EXPECT_EQ(SchemaVersionOf(*db), 1);
    }
    Storage storage(m_location);
    auto db = OpenDatabase(m_location);
    EXPECT_EQ(SchemaVersionOf(*db), kSchemaVersion);
    EXPECT_EQ(storage.Balance("OLD"), 4);
    const auto old = storage.FindRingtone("t1");
    ASSERT_TRUE(old);
    EXPECT_EQ(old->fileName, "old.mp3");
    EXPECT_EQ(old->durationMs, 0);
    // Opening again changes nothing.
    Storage again(m_location);
    EXPECT_EQ(again.Ringtones().size(), 1u);
}

TEST_P(StorageTest, DeliveriesAreClaimedOnceAndTheirOutcomeKept)
{
    Storage storage(m_location);
    storage.AddCredit("CODE", 2);
    const Ringtone a = Sample("CODE");
    ASSERT_EQ(storage.ChargeAndStore(a, "Your ringtone ring.wav is ready: L", [] {}, [] {}), ChargeOutcome::Stored);
    const std::int64_t now = NowSeconds();
    const auto claimed = storage.ClaimDueDeliveries(now, 10);
    ASSERT_EQ(claimed.size(), 1u);
    EXPECT_EQ(claimed[0].message, "Your ringtone ring.wav is ready: L");
    EXPECT_TRUE(storage.ClaimDueDeliveries(now, 10).empty());

    storage.RecordDeliveryOutcome(a.token, false, "exit 3", now, now + 100, 3);
    EXPECT_TRUE(storage.ClaimDueDeliveries(now, 10).empty()); // not due yet
    ASSERT_EQ(storage.ClaimDueDeliveries(now + 100, 10).size(), 1u);
    storage.RecordDeliveryOutcome(a.token, true, "", now, now, 3);
    const auto d = storage.Deliveries();
    ASSERT_EQ(d.size(), 1u);
    EXPECT_EQ(d[0].status, "sent");
    EXPECT_EQ(d[0].attempts, 2);
}

INSTANTIATE_TEST_SUITE_P(Backends, StorageTest, ::testing::ValuesIn(Backends()),
                         [](const auto& info) { return info.param; });

TEST(FileStoreTest, SweepRemovesPartialAndUnrecordedFilesOnly)
{
    ScratchDir dir;
    FileStore store(dir.Path(), "main");
    FileStore other(dir.Path(), "second");
    {
        auto kept = store.Receive();
        ASSERT_TRUE(kept->Append("keep", 4));
        ASSERT_TRUE(kept->Finish());
        EXPECT_EQ(kept->Sha256Hex(), Sha256Hex("keep"));
        kept->PlaceAt(store.Absolute("main/kept.wav"));
        auto orphan = store.Receive();
        ASSERT_TRUE(orphan->Finish());
        orphan->PlaceAt(store.Absolute("main/orphan.wav"));
    }
    auto partial = store.Receive(); // a crash in the middle of a body
    ASSERT_TRUE(partial->Append("half", 4));
    std::ofstream(other.Absolute("second/theirs.wav")) << "x";
    EXPECT_EQ(FilesUnder(dir.Path()).size(), 4u);

    EXPECT_EQ(store.Sweep({"main/kept.wav"}), 2);
    EXPECT_EQ(FilesUnder(dir.Path()),
              (std::vector<std::string>{"files/main/kept.wav", "files/second/theirs.wav"}));
}
