// The pages in a real browser: headless Chromium follows the admin page's
// link to the phone page, and the page's download link gives the bytes sent.

#include "ServiceFixture.h"

#include <cstdio>
#include <regex>

using namespace sendd_test;

namespace {

using BrowserTest = ServiceTest;

// What Chromium makes of a page: its DOM after scripts, or a screenshot.
std::string Chromium(const std::string& mode, const std::string& url)
{
    ScratchDir profile;
    const std::string command = "timeout 180 chromium --headless --no-sandbox --disable-gpu "
                                "--disable-background-networking --disable-component-update --disable-sync "
                                "--no-first-run --user-data-dir='" + profile.Path().string() + "' " + mode + " '"
        + url + "' 2>/dev/null";
    std::string output;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        std::size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
            output.append(buffer, n);
        ::pclose(pipe);
    }
    return output;
}

std::string FirstMatch(const std::string& text, const std::string& pattern)
{
    std::smatch m;
    return std::regex_search(text, m, std::regex(pattern)) ? m[1].str() : std::string();
}

} // namespace

TEST_P(BrowserTest, AdminLinkOpensThePhonePageAndItsDownload)
{
    const std::string wav = MakeWav(30000, 7);
    UploadFields fields;
    fields.fileName = "Evening <Bells>.wav";
    ASSERT_EQ(Upload(Port(), wav, fields).status, 200);

    const std::string admin = Chromium("--dump-dom", m_server->BaseUrl() + "/admin");
    const std::string link = FirstMatch(admin, "class=\"ringtone-link\" href=\"([^\"]+)\"");
    ASSERT_TRUE(link.starts_with(m_server->BaseUrl() + "/d/")) << admin.substr(0, 400);

    const std::string phone = Chromium("--dump-dom", link);
    EXPECT_NE(phone.find("<h1>Evening &lt;Bells&gt;.wav</h1>"), std::string::npos) << phone.substr(0, 600);
    const std::string download = FirstMatch(phone, "id=\"download\" href=\"([^\"]+)\"");
    ASSERT_FALSE(download.empty());
    EXPECT_EQ(Get(Port(), download).body, wav);

    ScratchDir shots;
    const auto png = shots.Path() / "phone.png";
    Chromium("--window-size=390,844 --screenshot=" + png.string(), link);
    EXPECT_GT(ReadFile(png).size(), 2000u);

    const std::string missing = Chromium("--dump-dom", m_server->BaseUrl() + "/d/ffffffffffffffffffffffffffffffff");
    EXPECT_NE(missing.find("Ringtone not found"), std::string::npos) << missing.substr(0, 400);
}

// One database is enough for what the browser sees.
INSTANTIATE_TEST_SUITE_P(Backends, BrowserTest, ::testing::Values(std::string("sqlite")),
                         [](const auto& info) { return info.param; });
