// The upload over real HTTP on loopback: what is stored and charged, the
// program's answers, and the refusals of malformed or hostile requests.

#include "RawClient.h"
#include "ServiceFixture.h"

#include <thread>

using namespace sendd_test;
using namespace std::chrono_literals;

namespace {

using UploadTest = ServiceTest;

const std::string kWav = MakeWav(20000);

} // namespace

TEST_P(UploadTest, EachTypeIsStoredByteIdenticalAndCharged)
{
    ScratchDir scratch;
    std::int64_t balance = 1000;
    for (const std::string extension : {"wav", "mp3", "ogg", "wma", "m4a", "m4r", "raw"}) {
        SCOPED_TRACE(extension);
        const std::string body = extension == "wav" ? kWav
            : extension == "raw"                    ? kWav.substr(44)
                                                    : ConvertWith(kWav, extension, scratch.Path());
        ASSERT_FALSE(body.empty());
        UploadFields fields;
        fields.fileName = "My Tone." + extension;
        const Answer a = Upload(Port(), body, fields);
        ASSERT_EQ(a.status, 200) << a.body;
        const auto stored = m_storage->FindRingtone(TokenOf(a));
        ASSERT_TRUE(stored);
        EXPECT_EQ(ReadFile(StoredFile(stored->token)), body);
        EXPECT_EQ(stored->sha256, Sha256Hex(body));
        EXPECT_EQ(stored->fileType, extension);
        EXPECT_EQ(stored->mobileModel, "Nokia 3310");
        if (extension != "raw") {
            EXPECT_GT(stored->durationMs, 500);
        }
        EXPECT_EQ(m_storage->Balance("CODE1"), --balance);
    }
    EXPECT_TRUE(FilesUnder(m_dir.Path() / "tmp").empty());
}

TEST_P(UploadTest, UnknownCodeAndZeroBalanceGetTheProgramsWords)
{
    m_storage->AddCredit("EMPTY", 0);
    UploadFields unknown;
    unknown.creditCode = "NO-SUCH-CODE";
    UploadFields empty;
    empty.creditCode = "EMPTY";
    const Answer a = Upload(Port(), kWav, unknown);
    EXPECT_EQ(a.status, 400);
    EXPECT_EQ(a.error, "CREDITCODE");
    const Answer b = Upload(Port(), kWav, empty);
    EXPECT_EQ(b.status, 400);
    EXPECT_EQ(b.error, "BALANCE");
    EXPECT_TRUE(m_storage->Ringtones().empty());
    EXPECT_TRUE(FilesUnder(m_dir.Path() / "files").empty());
}

TEST_P(UploadTest, MalformedRequestsAreRefusedWithAReason)
{
    struct Case
    {
        const char* what;
        std::string body;
        UploadFields fields;
        std::optional<std::string> drop;
        const char* reason;
    };
    auto with = [](auto change) {
        UploadFields f;
        change(f);
        return f;
    };
    const std::vector<Case> cases = {
        {"header missing", kWav, {}, "CreditCode", "header CreditCode is missing"},
        {"name missing", kWav, {}, "FileName", "header FileName is missing"},
        {"length differs", kWav, with([](auto& f) { f.fileLength = "19999"; }), {}, "FileLength is 19999"},
        {"length not a number", kWav, with([](auto& f) { f.fileLength = "20e3"; }), {}, "FileLength must be"},
        {"path in name", kWav, with([](auto& f) { f.fileName = "../../etc/ring.wav"; }), {}, "FileName"},
        {"backslash in name", kWav, with([](auto& f) { f.fileName = "a\\ring.wav"; }), {}, "FileName"},
        {"control character", kWav, with([](auto& f) { f.fileName = "ri\x01ng.wav"; }), {}, "FileName"},
        {"other extension", kWav, with([](auto& f) { f.fileName = "ring.exe"; }), {}, "FileName"},
        {"no extension", kWav, with([](auto& f) { f.fileName = "ring"; }), {}, "FileName"},
        {"empty name", kWav, with([](auto& f) { f.fileName = ""; }), {}, "header FileName is missing"},
        {"mobile not digits", kWav, with([](auto& f) { f.mobileNo = "+44 7700"; }), {}, "MobileNo"},
        {"not audio", std::string(5000, 'x'), {}, {}, "not audio"},
        {"wav named mp3", kWav, with([](auto& f) { f.fileName = "ring.mp3"; }), {}, "not .mp3 audio"},
        {"wav named raw", kWav, with([](auto& f) { f.fileName = "ring.raw"; }), {}, "not raw samples"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Answer a = Upload(Port(), c.body, c.fields, c.drop);
        EXPECT_EQ(a.status, 400);
        EXPECT_EQ(a.error, "REQUEST");
        EXPECT_NE(a.body.find(c.reason), std::string::npos) << a.body;
        EXPECT_EQ(std::count(a.body.begin(), a.body.end(), '\n'), 1) << "one line";
    }
    EXPECT_EQ(m_storage->Balance("CODE1"), 1000);
    EXPECT_TRUE(m_storage->Ringtones().empty());
    EXPECT_TRUE(FilesUnder(m_dir.Path() / "files").empty());
    EXPECT_TRUE(FilesUnder(m_dir.Path() / "tmp").empty());
}

TEST_P(UploadTest, OversizedContentLengthIsRefusedBeforeTheBody)
{
    const std::string head = "POST /ktx-pro/ZodiZedere.do HTTP/1.1\r\nHost: x\r\nCreditCode: CODE1\r\n"
                             "Content-Length: 10485761\r\n\r\n";
    RawClient client(Port());
    ASSERT_TRUE(client.Send(head)); // and no body at all
    bool closed = false;
    const std::string answer = client.ReadUntilClosed(60s, &closed);
    EXPECT_TRUE(answer.starts_with("HTTP/1.1 413")) << answer;
    EXPECT_TRUE(closed);

    // A request without a length is refused too, and so are chunks.
    RawClient chunked(Port());
    ASSERT_TRUE(chunked.Send("POST /ktx-pro/ZodiZedere.do HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked\r\n\r\n"));
    const std::string refusal = chunked.ReadUntilClosed(60s);
    EXPECT_TRUE(refusal.starts_with("HTTP/1.1 400")) << refusal;
    EXPECT_NE(refusal.find("ERROR: REQUEST"), std::string::npos);
}

TEST_P(UploadTest, OversizedHeadersAreRefused)
{
    RawClient client(Port());
    std::string head = "GET /admin HTTP/1.1\r\nHost: x\r\n";
    for (int i = 0; i < 400; ++i)
        head += "X-Filler-" + std::to_string(i) + ": " + std::string(60, 'a') + "\r\n";
    client.Send(head + "\r\n");
    bool closed = false;
    const std::string answer = client.ReadUntilClosed(60s, &closed);
    EXPECT_TRUE(closed);
    EXPECT_EQ(answer.find("200 OK"), std::string::npos) << answer.substr(0, 200);
    EXPECT_EQ(Get(Port(), "/admin").status, 200); // still serving
}

TEST_P(UploadTest, ASlowClientIsCutOff)
{
    StartService({"--request-timeout", "2"});
    const std::string head = "POST /ktx-pro/ZodiZedere.do HTTP/1.1\r\nHost: x\r\nContent-Length: 100\r\n\r\n";
    for (const std::string& prefix : {std::string(), head}) {
        SCOPED_TRACE(prefix.empty() ? "trickled headers" : "trickled body");
        RawClient client(Port());
        ASSERT_TRUE(client.Send(prefix));
        // One byte a second for up to a minute; the server must hang up long
        // before, and never with a success.
        bool cut = false;
        std::string answer;
        for (int i = 0; i < 60 && !cut; ++i) {
            answer += client.ReadUntilClosed(1s, &cut);
            cut = cut || !client.Send(prefix.empty() ? "G" : "x");
        }
        EXPECT_TRUE(cut);
        EXPECT_EQ(answer.find(" 200 "), std::string::npos) << answer;
    }
}

TEST_P(UploadTest, ConnectionsBeyondTheWorkersAndQueueAreTurnedAway)
{
    StartService({"--workers", "1", "--queue", "1", "--request-timeout", "60"});
    // Four connections that never finish a request: one worker and one queue
    // place hold two of them; the others must be answered 503 at once.
    std::vector<std::unique_ptr<RawClient>> clients;
    for (int i = 0; i < 4; ++i) {
        clients.push_back(std::make_unique<RawClient>(Port()));
        clients.back()->Send("G");
    }
    std::vector<std::string> answers(clients.size());
    std::vector<std::thread> readers;
    for (std::size_t i = 0; i < clients.size(); ++i)
        readers.emplace_back([&, i] { answers[i] = clients[i]->ReadUntilClosed(15s); });
    for (auto& t : readers)
        t.join();
    // A worker slow to take its first connection off the queue turns one
    // more away, never fewer.
    const auto turnedAway = std::count_if(answers.begin(), answers.end(),
                                          [](const std::string& a) { return a.starts_with("HTTP/1.1 503"); });
    EXPECT_GE(turnedAway, 2);
    EXPECT_LE(turnedAway, 3);
}

INSTANTIATE_TEST_SUITE_P(Backends, UploadTest, ::testing::ValuesIn(Backends()),
                         [](const auto& info) { return info.param; });
