// zq735-cli when files or the instrument let it down: a scan cut short by a
// fault, a baseline or a report that cannot be written, a data folder held
// by another program, inputs that are no regular files. Whatever happens the
// exit status says so and nothing measured or stored before is lost.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <span>
#include <string>

#include "acquisition/ScanRecovery.h"
#include "fileio/FolderLock.h"
#include "tests/support/Run.h"

namespace fs = std::filesystem;

namespace {

std::string ReadText(const fs::path& p)
{
    std::ifstream f(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

std::string Quoted(const fs::path& p)
{
    return "'" + p.string() + "'";
}

// zq735-sim in a process of its own, serving until the test ends.
class TSimProcess {
public:
    explicit TSimProcess(const std::string& args)
    {
        int out[2];
        if (::pipe(out) != 0)
            return;
        FPid = ::fork();
        if (FPid == 0) {
            ::dup2(out[1], 1);
            ::close(out[0]);
            ::close(out[1]);
            const std::string cmd = "exec " + std::string(ZQ735_BIN_DIR) + "/app/zq735-sim " + args;
            ::execl("/bin/sh", "sh", "-c", cmd.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(out[1]);
        char c;
        while (::read(out[0], &c, 1) == 1 && c != '\n')
            FDevice += c;
        FOut = out[0];
    }
    ~TSimProcess()
    {
        if (FPid > 0) {
            ::kill(FPid, SIGTERM);
            int st = 0;
            ::waitpid(FPid, &st, 0);
        }
        if (FOut >= 0)
            ::close(FOut);
    }
    TSimProcess(const TSimProcess&) = delete;
    TSimProcess& operator=(const TSimProcess&) = delete;

    const std::string& Device() const { return FDevice; }

private:
    pid_t FPid = -1;
    int FOut = -1;
    std::string FDevice;
};

class CliFaults : public ::testing::Test {
protected:
    void SetUp() override
    {
        Dir = fs::temp_directory_path() / ("zq735-clifaults-" + std::to_string(::getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(Dir);
        fs::create_directories(Data());
    }
    void TearDown() override { fs::remove_all(Dir); }

    fs::path Data() const { return Dir / "data"; }
    TRun Cli(const std::string& args) const { return RunCli(args, Data().string(), TCliErrors::Merged); }

    fs::path Dir;
};

// The points a scan measured before the instrument fell silent are the
// operator's: they reach the output file, and the recovery file holds them
// until they are there.
TEST_F(CliFaults, AScanCutShortByAFaultSavesThePointsItMeasured)
{
    // The scan's sample streams fall silent half way, for longer than the program waits.
    TSimProcess sim("--speed 40 --fault scan-pause:20000");
    ASSERT_EQ(sim.Device().rfind("/dev/", 0), 0u) << sim.Device();
    const std::string scan =
        "--port " + sim.Device() + " scan --speed 2 --response 0 --from 2100 --to 1900 -o ";

    const fs::path out = Dir / "cut.ir";
    const TRun r = Cli(scan + Quoted(out));
    EXPECT_EQ(r.Status, 1) << r.Out;
    EXPECT_NE(r.Out.find("Cmd_Scan接收数据过程错误"), std::string::npos) << r.Out;
    EXPECT_NE(r.Out.find(out.string()), std::string::npos) << r.Out;
    ASSERT_TRUE(fs::exists(out)) << r.Out;
    const TRun info = RunCli("info " + Quoted(out));
    ASSERT_EQ(info.Status, 0) << info.Out;
    int points = 0;
    const size_t at = info.Out.find("\" ");
    ASSERT_NE(at, std::string::npos) << info.Out;
    points = std::atoi(info.Out.c_str() + at + 2);
    EXPECT_GT(points, 0) << info.Out;
    EXPECT_LT(points, 151) << info.Out;
    EXPECT_FALSE(fs::exists(Data() / kRecoveryFileName));

    // Where the output cannot be written, the points stay in the recovery file.
    const fs::path nowhere = Dir / "missing" / "cut.ir";
    const TRun again = Cli(scan + Quoted(nowhere));
    EXPECT_EQ(again.Status, 1) << again.Out;
    EXPECT_NE(again.Out.find(kRecoveryFileName), std::string::npos) << again.Out;
    const std::string bytes = ReadText(Data() / kRecoveryFileName);
    const auto kept =
        ParseScanRecovery(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
    ASSERT_TRUE(kept.has_value());
    EXPECT_GT(kept->Values.size(), 0u);
}

// A 100 % baseline that reached its end but could not be stored is no success.
TEST_F(CliFaults, AHundredPercentBaselineThatCannotBeStoredFails)
{
    // A folder where the file should be: no write can replace it.
    fs::create_directories(Data() / "BK100.dat");
    const TRun r = Cli("--simulate --sim-speed 100 baseline100");
    EXPECT_EQ(r.Status, 1) << r.Out;
    EXPECT_NE(r.Out.find("100 % baseline not stored: 无法存储文件"), std::string::npos) << r.Out;
    EXPECT_EQ(r.Out.find("100 % baseline stored"), std::string::npos) << r.Out;
    EXPECT_TRUE(fs::is_directory(Data() / "BK100.dat"));
}

// Another program's data folder is not touched; a dead program's lock and
// half-written temporaries are cleared.
TEST_F(CliFaults, ADataFolderHeldByAnotherProgramIsLeftAlone)
{
    // A process id that no longer runs.
    const pid_t dead = ::fork();
    if (dead == 0)
        ::_exit(0);
    int st = 0;
    ::waitpid(dead, &st, 0);
    const fs::path stale = Data() / (".BK100.dat.tmp-" + std::to_string(dead) + "-0");
    std::ofstream(stale) << "half";

    {
        TFolderLock other;
        ASSERT_EQ(other.Acquire(Data().string()), TFolderLock::TResult::Held);
        const TRun r = Cli("--simulate --sim-speed 40 status");
        EXPECT_EQ(r.Status, 1) << r.Out;
        EXPECT_NE(r.Out.find("in use by another program (process " + std::to_string(::getpid()) + ")"),
                  std::string::npos)
            << r.Out;
        EXPECT_TRUE(fs::exists(stale));
    }
    std::ofstream(Data() / kFolderLockName) << dead << "\n";  // as a crash leaves it
    const TRun r = Cli("--simulate --sim-speed 40 status");
    EXPECT_EQ(r.Status, 0) << r.Out;
    EXPECT_FALSE(fs::exists(stale));
    EXPECT_FALSE(fs::exists(Data() / kFolderLockName));
}

// A FIFO given as input is refused at once, not waited on for a writer.
TEST_F(CliFaults, AFifoGivenAsInputIsRefused)
{
    for (const char* name : {"pipe.ir", "pipe.jdx", "pipe.csv", "pipe.irc"})
        ASSERT_EQ(::mkfifo((Dir / name).c_str(), 0600), 0);
    const std::string commands[] = {
        "info " + Quoted(Dir / "pipe.ir"),
        "export " + Quoted(Dir / "pipe.ir") + " --csv",
        "import " + Quoted(Dir / "pipe.jdx") + " -o " + Quoted(Dir / "a.ir"),
        "import " + Quoted(Dir / "pipe.csv") + " -o " + Quoted(Dir / "b.ir"),
        "quant " + Quoted(Dir / "pipe.irc"),
        "report " + Quoted(Dir / "pipe.ir") + " -o " + Quoted(Dir / "c.pdf"),
    };
    for (const std::string& c : commands) {
        // The guard only turns a hang into a failure.
        const TRun r = RunShell("timeout 60 " + std::string(ZQ735_BIN_DIR) + "/app/zq735-cli " + c + " 2>&1");
        EXPECT_EQ(r.Status, 2) << c << "\n" << r.Out;
    }
    EXPECT_FALSE(fs::exists(Dir / "a.ir"));
    EXPECT_FALSE(fs::exists(Dir / "b.ir"));
    EXPECT_FALSE(fs::exists(Dir / "c.pdf"));
}

// A report onto a full disk: a small file system of its own, filled up.
TEST_F(CliFaults, AReportOntoAFullDiskFailsAndLeavesThePreviousPdf)
{
    const std::string film = std::string(ZQ735_TEST_DATA) + "/report/ps.ir";
    const fs::path previous = Dir / "previous.pdf";
    const std::string cli = std::string(ZQ735_BIN_DIR) + "/app/zq735-cli";
    ASSERT_EQ(RunShell(cli + " report '" + film + "' -o " + Quoted(previous) + " >/dev/null 2>&1").Status, 0);
    const fs::path mnt = Dir / "mnt";
    fs::create_directories(mnt);
    // Inside a mount namespace of its own (as root, or as a user through a
    // user namespace), so that nothing outside sees the mount and it goes
    // away with the shell.
    const std::string script =
        "mount -t tmpfs -o size=1m tmpfs " + Quoted(mnt) + " || exit 99; " + "cp " + Quoted(previous) + " " +
        Quoted(mnt / "ps.pdf") + " || exit 98; " + "dd if=/dev/zero of=" + Quoted(mnt / "fill") +
        " bs=4k >/dev/null 2>&1; " + "QT_QPA_PLATFORM=offscreen " + cli + " report '" + film + "' -o " +
        Quoted(mnt / "ps.pdf") + " 2>&1; echo \"status=$?\"; " + "cmp " + Quoted(previous) + " " +
        Quoted(mnt / "ps.pdf") + " >/dev/null && echo same; " + "ls -a " + Quoted(mnt) + " | tr '\\n' ' '";
    std::ofstream(Dir / "full.sh") << script;
    TRun r = RunShell("unshare -m sh " + Quoted(Dir / "full.sh") + " 2>/dev/null");
    if (r.Status == 99 || r.Status == 127 || r.Status == 1)
        r = RunShell("unshare -rm sh " + Quoted(Dir / "full.sh") + " 2>/dev/null");
    if (r.Status == 99 || r.Status == 127 || r.Status == 1)
        GTEST_SKIP() << "no tmpfs can be mounted here: " << r.Out;
    ASSERT_EQ(r.Status, 0) << r.Out;
    EXPECT_EQ(r.Out.find("status=0"), std::string::npos) << r.Out;
    EXPECT_NE(r.Out.find("status="), std::string::npos) << r.Out;
    EXPECT_NE(r.Out.find("same"), std::string::npos) << r.Out;
    EXPECT_NE(r.Out.find("无法写入文件（磁盘已满）"), std::string::npos) << r.Out;
    // No temporary is left behind.
    EXPECT_NE(r.Out.find(". .. fill ps.pdf "), std::string::npos) << r.Out;
}

}  // namespace
