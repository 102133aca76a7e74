// The command line, and what `credit` and `ringtones` print.

#include "Options.h"
#include "ServerProcess.h"

#include <gtest/gtest.h>

using namespace sendd;
using namespace sendd_test;

TEST(OptionsTest, CommandLinesAreReadOrRefused)
{
    struct Case
    {
        std::vector<std::string> args;
        const char* error; // nullptr: accepted
    };
    const Case cases[] = {
        {{}, nullptr},
        {{"serve", "--listen", "0.0.0.0:9000", "--public-url", "http://192.0.2.1:9000"}, nullptr},
        {{"--listen", "[::1]:8080"}, nullptr},
        {{"--listen", "8080"}, "bad value for --listen"},
        {{"--listen", "host:70000"}, "bad value for --listen"},
        {{"credit", "add", "CODE", "--balance", "5"}, nullptr},
        {{"credit", "add", "CODE"}, "credit add needs --balance N"},
        {{"credit", "add", "CODE", "--balance", "-1"}, "bad value for --balance"},
        {{"--instance", "../x"}, "bad value for --instance"},
        {{"--max-bytes", "0"}, "bad value for --max-bytes"},
        {{"--workers"}, "bad value for --workers"},
        {{"--frobnicate", "1"}, "unknown option: --frobnicate"},
        {{"delete-everything"}, "unknown command: delete-everything"},
    };
    for (const Case& c : cases) {
        std::string error;
        const auto options = ParseOptions(c.args, error);
        SCOPED_TRACE(c.args.empty() ? std::string("(none)") : c.args.front() + " " + (c.args.size() > 1 ? c.args[1] : ""));
        EXPECT_EQ(options.has_value(), c.error == nullptr);
        EXPECT_EQ(error, c.error ? c.error : "");
    }
    std::string error;
    const auto listen = ParseOptions({"--listen", "[::1]:8080", "--data", "/srv/x"}, error);
    ASSERT_TRUE(listen);
    EXPECT_EQ(listen->listenHost, "::1");
    EXPECT_EQ(listen->listenPort, 8080);
    EXPECT_EQ(listen->DatabaseLocation(), "/srv/x/vrt-sendd.sqlite");
}

TEST(OptionsTest, CreditAndRingtoneCommandsWorkOnTheData)
{
    ScratchDir dir;
    const std::string data = dir.Path().string();
    EXPECT_EQ(RunSendd({"credit", "add", "SHOP1", "--balance", "5", "--data", data}).output, "SHOP1 balance 5\n");
    EXPECT_EQ(RunSendd({"credit", "add", "SHOP1", "--balance", "2", "--data", data}).output, "SHOP1 balance 7\n");
    EXPECT_EQ(RunSendd({"credit", "add", "AAA", "--balance", "0", "--data", data}).output, "AAA balance 0\n");
    const CommandResult list = RunSendd({"credit", "list", "--data", data});
    EXPECT_EQ(list.status, 0);
    EXPECT_EQ(list.output, "AAA\t0\nSHOP1\t7\n");
    EXPECT_EQ(RunSendd({"ringtones", "list", "--data", data}).output, "");
    EXPECT_EQ(RunSendd({"credit", "add", "X", "--data", data}).status, 2);
}
