// The phone page, the file behind it, the admin page and the delivery
// command, over real HTTP on loopback.

#include "Pages.h"
#include "ServiceFixture.h"

#include <fstream>
#include <thread>

using namespace sendd_test;
using namespace std::chrono_literals;

namespace {

using PagesTest = ServiceTest;

std::string Basic(const std::string& userAndPassword)
{
    // Small fixed inputs only: "admin:secret" and "admin:wrong".
    return userAndPassword == "admin:secret" ? "Basic YWRtaW46c2VjcmV0" : "Basic YWRtaW46d3Jvbmc=";
}

} // namespace

TEST_P(PagesTest, PhonePageShowsTheRingtoneAndServesItsBytes)
{
    const std::string wav = MakeWav(48000, 3);
    UploadFields fields;
    fields.fileName = "<b>Tom & \"Jerry\".wav";
    const Answer up = Upload(Port(), wav, fields);
    ASSERT_EQ(up.status, 200);
    const std::string token = TokenOf(up);

    const Answer page = Get(Port(), "/d/" + token);
    EXPECT_EQ(page.status, 200);
    EXPECT_EQ(page.contentType, "text/html; charset=utf-8");
    EXPECT_NE(page.body.find("&lt;b&gt;Tom &amp; &quot;Jerry&quot;.wav"), std::string::npos);
    EXPECT_EQ(page.body.find("<b>Tom"), std::string::npos);
    EXPECT_NE(page.body.find("<audio"), std::string::npos);
    EXPECT_NE(page.body.find("<td>0:02</td>"), std::string::npos); // 47956 bytes at 16000 per second
    EXPECT_EQ(page.body.find("http"), std::string::npos) << "no external assets";

    for (const std::string kind : {"download", "file"}) {
        const Answer file = Get(Port(), "/d/" + token + "/" + kind);
        EXPECT_EQ(file.status, 200);
        EXPECT_EQ(file.body, wav);
        EXPECT_EQ(file.contentType, "audio/wav");
        EXPECT_TRUE(file.disposition.starts_with(kind == "download" ? "attachment;" : "inline;")) << file.disposition;
        // The client decodes the percent-encoded name again.
        EXPECT_TRUE(file.disposition.ends_with("; filename*=UTF-8''<b>Tom & \"Jerry\".wav")) << file.disposition;
    }

    for (const std::string& path : std::vector<std::string>{"/d/0123456789abcdef0123456789abcdef", "/d/" + token + "x",
                                                            "/d/../admin", "/d/" + token + "/../../vrt-sendd.sqlite"}) {
        const Answer missing = Get(Port(), path);
        EXPECT_EQ(missing.status, 404) << path;
        EXPECT_NE(missing.body.find("Ringtone not found"), std::string::npos) << path;
    }
}

TEST_P(PagesTest, AdminPageListsEverythingWithQrCodesForLoopbackOnly)
{
    const Answer up = Upload(Port(), MakeWav(8000));
    ASSERT_EQ(up.status, 200);
    const std::string link = m_server->BaseUrl() + "/d/" + TokenOf(up);
    const Answer admin = Get(Port(), "/admin");
    ASSERT_EQ(admin.status, 200);
    for (const std::string& shown : {std::string("CODE1"), std::string("999"), link, std::string("<svg"),
                                     std::string("Your ringtone ring.wav is ready: ") + link, std::string("pending")})
        EXPECT_NE(admin.body.find(shown), std::string::npos) << shown;

    StartService({"--admin-password", "secret"});
    EXPECT_EQ(Get(Port(), "/admin").status, 401);
    EXPECT_EQ(Get(Port(), "/admin", Basic("admin:wrong")).status, 401);
    EXPECT_EQ(Get(Port(), "/admin", Basic("admin:secret")).status, 200);
}

TEST_P(PagesTest, DeliveryCommandGetsNumberAndTextAndItsOutcomeIsKept)
{
    struct Case
    {
        const char* script;
        const char* status;
        std::int64_t attempts;
        const char* error;
    };
    const Case cases[] = {
        {"printf '%s|%s' \"$1\" \"$2\" > \"$0.out\"; exit 0", "sent", 1, ""},
        {"exit 3", "failed", 3, "the command ended with status 3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.script);
        const auto script = m_dir.Path() / "gateway.sh";
        std::ofstream(script) << "#!/bin/sh\n" << c.script << "\n";
        std::filesystem::permissions(script, std::filesystem::perms::owner_all);
        StartService({"--deliver-cmd", script.string(), "--deliver-retry", "0"});
        const Answer up = Upload(Port(), MakeWav(8000));
        ASSERT_EQ(up.status, 200);
        const std::string token = TokenOf(up);
        sendd::Delivery delivery;
        for (int i = 0; i < 600; ++i) { // settles within a minute even on a busy machine
            for (const auto& d : m_storage->Deliveries())
                if (d.ringtoneToken == token)
                    delivery = d;
            if (delivery.status == c.status)
                break;
            std::this_thread::sleep_for(100ms);
        }
        EXPECT_EQ(delivery.status, c.status);
        EXPECT_EQ(delivery.attempts, c.attempts);
        EXPECT_EQ(delivery.lastError, c.error);
        if (delivery.status == std::string("sent")) {
            EXPECT_EQ(ReadFile(script.string() + ".out"),
                      "447700900123|Your ringtone ring.wav is ready: " + m_server->BaseUrl() + "/d/" + token);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Backends, PagesTest, ::testing::ValuesIn(Backends()),
                         [](const auto& info) { return info.param; });

TEST(PagesText, NamesAreEscapedEverywhere)
{
    EXPECT_EQ(sendd::HtmlEscape("<a href='x'>&\"</a>"), "&lt;a href=&#39;x&#39;&gt;&amp;&quot;&lt;/a&gt;");
    EXPECT_EQ(sendd::ContentDisposition("attachment", "a\"b\\c\xC3\xA9.mp3"),
              "attachment; filename=\"a_b_c__.mp3\"; filename*=UTF-8''a%22b%5Cc%C3%A9.mp3");
}
