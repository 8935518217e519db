// zq735-cli as a user runs it: hostile files are refused with status 2, a
// simulated measurement produces a file that `info` reads back.

#include <array>
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>

namespace {

struct TRun {
    int Status = -1;
    std::string Out;
};

TRun RunCli(const std::string& args)
{
    const std::string cmd = std::string("ZQ735_DATA_DIR=") + std::filesystem::temp_directory_path().string() +
                            "/zq735-cli-test " + ZQ735_BIN_DIR + "/app/zq735-cli " + args + " 2>/dev/null";
    TRun r;
    FILE* p = ::popen(cmd.c_str(), "r");
    if (p == nullptr)
        return r;
    std::array<char, 4096> buf;
    size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0)
        r.Out.append(buf.data(), n);
    const int st = ::pclose(p);
    r.Status = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
    return r;
}

TEST(Cli, HostileFilesAreRefusedWithStatusTwo)
{
    int seen = 0;
    for (const auto& e : std::filesystem::directory_iterator(std::string(ZQ735_TEST_DATA) + "/hostile")) {
        ++seen;
        for (const char* cmd : {"info", "export"}) {
            const std::string extra = std::string(cmd) == "export" ? " --csv" : "";
            const TRun r = RunCli(std::string(cmd) + " '" + e.path().string() + "'" + extra);
            EXPECT_EQ(r.Status, 2) << cmd << " " << e.path().filename();
        }
    }
    EXPECT_GT(seen, 0);
}

TEST(Cli, BadArgumentsGiveStatusTwo)
{
    for (const char* args : {"", "frobnicate", "goto", "goto 5000", "scan --speed 9 -o x.ir", "export a.ir",
                             "--simulate scan --from 1000 --to 1000 -o x.ir"}) {
        EXPECT_EQ(RunCli(args).Status, 2) << args;
    }
}

TEST(Cli, SimulatedScanIsSavedAndReadBack)
{
    const std::string file = std::filesystem::temp_directory_path().string() + "/zq735-cli-scan.ir";
    const TRun scan =
        RunCli("--simulate --sim-speed 40 calibrate scan --speed 2 --response 0 --from 2100 --to 1900 -o " + file);
    ASSERT_EQ(scan.Status, 0) << scan.Out;
    const TRun info = RunCli("info " + file);
    ASSERT_EQ(info.Status, 0);
    // 2100 -> 2000 at 2 cm-1 (51 points), 2000 -> 1900 at 1 cm-1 (101), the split shared.
    EXPECT_NE(info.Out.find("curves: 1"), std::string::npos) << info.Out;
    EXPECT_NE(info.Out.find("151 points"), std::string::npos) << info.Out;
    EXPECT_EQ(std::filesystem::file_size(file), 40u + 692 + 220 + 4 * 151 + 12);
    const TRun csv = RunCli("export " + file + " --csv");
    ASSERT_EQ(csv.Status, 0);
    EXPECT_EQ(std::count(csv.Out.begin(), csv.Out.end(), '\n'), 152);
    std::filesystem::remove(file);
}

}  // namespace
