// The zq735-sim program as another program starts it: first line of output
// is the device to open; SIGTERM ends it cleanly; bad options exit with 2.

#include <cstdio>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <string>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

#include "tests/support/TestTime.h"

namespace {

const std::string Program = std::string(ZQ735_BIN_DIR) + "/app/zq735-sim";

struct TChild {
    pid_t Pid = -1;
    int Out = -1;
    int Err = -1;
};

TChild Spawn(std::vector<std::string> args)
{
    int out[2], err[2];
    if (::pipe(out) != 0 || ::pipe(err) != 0)
        return {};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(out[1], 1);
        ::dup2(err[1], 2);
        ::close(out[0]);
        ::close(err[0]);
        std::vector<char*> argv{const_cast<char*>(Program.c_str())};
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        ::execv(Program.c_str(), argv.data());
        ::_exit(127);
    }
    ::close(out[1]);
    ::close(err[1]);
    return {pid, out[0], err[0]};
}

// A line, waiting at most timeoutMs (a safety limit, WaitLimitMs) for each
// character.
std::string ReadLine(int fd, int timeoutMs)
{
    std::string line;
    char c;
    while (true) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, WaitLimitMs(timeoutMs)) <= 0 || ::read(fd, &c, 1) != 1 || c == '\n')
            return line;
        line += c;
    }
}

std::string ReadAll(int fd)
{
    std::string all;
    char buf[256];
    ssize_t n;
    while ((n = ::read(fd, buf, sizeof buf)) > 0)
        all.append(buf, static_cast<size_t>(n));
    return all;
}

int WaitExit(pid_t pid)
{
    int status = 0;
    for (int i = 0; i < 300; ++i) {
        if (::waitpid(pid, &status, WNOHANG) == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        ::usleep(10000);
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &status, 0);
    return -1;
}

class SimProgram : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (::access(Program.c_str(), X_OK) != 0)
            GTEST_SKIP() << Program << " is not built";
    }
};

}  // namespace

TEST_F(SimProgram, PrintsItsDeviceServesItAndEndsOnSigterm)
{
    TChild child = Spawn({"--speed", "10", "--seed", "5"});
    ASSERT_GT(child.Pid, 0);
    const std::string path = ReadLine(child.Out, 5000);
    ASSERT_EQ(path.rfind("/dev/", 0), 0u) << path;

    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0);
    termios tio{};
    ::tcgetattr(fd, &tio);
    cfmakeraw(&tio);
    ::tcsetattr(fd, TCSANOW, &tio);
    const uint8_t connect = 0x02;
    ASSERT_EQ(::write(fd, &connect, 1), 1);
    uint8_t reply[2] = {};
    size_t got = 0;
    while (got < 2) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, WaitLimitMs(2000)) <= 0)
            break;
        const ssize_t n = ::read(fd, reply + got, 2 - got);
        if (n <= 0)
            break;
        got += static_cast<size_t>(n);
    }
    EXPECT_EQ(got, 2u);
    EXPECT_EQ(reply[0], 0x02);
    EXPECT_EQ(reply[1], 0xE0);
    ::close(fd);

    ::kill(child.Pid, SIGTERM);
    EXPECT_EQ(WaitExit(child.Pid), 0);
    ::close(child.Out);
    ::close(child.Err);
}

TEST_F(SimProgram, EndsByItselfAfterItsSeconds)
{
    TChild child = Spawn({"--seconds", "0.3"});
    EXPECT_EQ(ReadLine(child.Out, 5000).rfind("/dev/", 0), 0u);
    EXPECT_EQ(WaitExit(child.Pid), 0);
    ::close(child.Out);
    ::close(child.Err);
}

TEST_F(SimProgram, BadOptionsAreNamedAndExitWithTwo)
{
    const std::vector<std::vector<std::string>> cases = {
        {"--speed", "fast"}, {"--speed", "-1"},       {"--fault", "sometimes"}, {"--noise"},
        {"--bogus"},         {"--seed", "12x"},       {"--sample", "/nonexistent/film.txt"},
    };
    for (const auto& args : cases) {
        SCOPED_TRACE(args[0] + (args.size() > 1 ? " " + args[1] : ""));
        TChild child = Spawn(args);
        const std::string out = ReadAll(child.Out);
        const std::string err = ReadAll(child.Err);
        EXPECT_EQ(WaitExit(child.Pid), 2);
        EXPECT_TRUE(out.empty());
        EXPECT_NE(err.find("zq735-sim:"), std::string::npos) << err;
        ::close(child.Out);
        ::close(child.Err);
    }
    TChild help = Spawn({"--help"});
    const std::string text = ReadAll(help.Out);
    EXPECT_EQ(WaitExit(help.Pid), 0);
    for (const char* word : {"--speed", "--fault", "--sample", "stream-pause", "hangup"})
        EXPECT_NE(text.find(word), std::string::npos) << word;
    ::close(help.Out);
    ::close(help.Err);
}
