#include "tests/support/PtyPeer.h"

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <termios.h>
#include <unistd.h>

#include "tests/support/TestTime.h"

TPtyPeer::TPtyPeer()
{
    FMaster = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (FMaster < 0 || ::grantpt(FMaster) != 0 || ::unlockpt(FMaster) != 0)
        throw std::runtime_error("no pseudo-terminal");
    char name[128];
    if (::ptsname_r(FMaster, name, sizeof name) != 0)
        throw std::runtime_error("no pseudo-terminal name");
    FPath = name;
    FSlaveKeep = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (FSlaveKeep < 0)
        throw std::runtime_error("cannot open " + FPath);
    termios tio{};
    ::tcgetattr(FSlaveKeep, &tio);
    cfmakeraw(&tio);
    cfsetispeed(&tio, B9600);
    cfsetospeed(&tio, B9600);
    ::tcsetattr(FSlaveKeep, TCSANOW, &tio);
}

TPtyPeer::~TPtyPeer()
{
    if (FSlaveKeep >= 0)
        ::close(FSlaveKeep);
    if (FMaster >= 0)
        ::close(FMaster);
}

void TPtyPeer::Send(const std::vector<uint8_t>& bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t w = ::write(FMaster, bytes.data() + done, bytes.size() - done);
        if (w <= 0)
            throw std::runtime_error("pseudo-terminal write failed");
        done += static_cast<size_t>(w);
    }
}

std::vector<uint8_t> TPtyPeer::Receive(size_t n, int timeoutMs)
{
    std::vector<uint8_t> out;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ScaledMs(timeoutMs));
    while (out.size() < n) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              until - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0)
            break;
        pollfd p{FMaster, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left)) <= 0 || !(p.revents & POLLIN))
            break;
        uint8_t buf[256];
        const ssize_t r = ::read(FMaster, buf, std::min(sizeof buf, n - out.size()));
        if (r <= 0)
            break;
        out.insert(out.end(), buf, buf + r);
    }
    return out;
}
