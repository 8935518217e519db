#include "link/CommPort.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

namespace {

constexpr int InputQueueSize = 0x8000;  // driver-side queues are the kernel's;
constexpr int OutputQueueSize = 9216;   // kept for reference with the instrument's needs

speed_t BaudConstant(uint32_t baud)
{
    switch (baud) {
    case 1200: return B1200;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    default: return B0;
    }
}

long long NowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Waits for `events` on fd for at most `ms`; true when ready.
bool WaitFd(int fd, short events, long long ms)
{
    if (ms < 0)
        ms = 0;
    pollfd p{fd, events, 0};
    int r;
    do {
        r = ::poll(&p, 1, static_cast<int>(ms));
    } while (r < 0 && errno == EINTR);
    return r > 0 && (p.revents & events);
}

}  // namespace

TCommPort::TCommPort() : FPortName("/dev/ttyS0") {}

TCommPort::~TCommPort() { Close(); }

void TCommPort::SetPortName(const std::string& name)
{
    if (IsOpen())
        throw ECommError{6, static_cast<uint32_t>(errno)};
    FPortName = name;
}

bool TCommPort::Open()
{
    if (IsOpen())
        Close();

    const TLineSettings keep = FLine;
    // Non-blocking open: a serial line without carrier would otherwise block here.
    int fd = ::open(FPortName.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;

    bool ok = true;
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0)
        ok = false;
    if (ok) {
        cfmakeraw(&tio);
        tio.c_cflag |= CLOCAL | CREAD;
        tio.c_cflag &= ~(CSIZE | PARENB | CSTOPB | CRTSCTS);
        tio.c_cflag |= (keep.ByteSize == 7 ? CS7 : CS8);
        if (keep.Parity != 0)
            tio.c_cflag |= PARENB | (keep.Parity == 1 ? PARODD : 0);
        if (keep.StopBits == 2)
            tio.c_cflag |= CSTOPB;
        tio.c_iflag &= ~(IXON | IXOFF | IXANY);
        // Reads are timed by poll(); the driver itself never blocks.
        tio.c_cc[VMIN] = 0;
        tio.c_cc[VTIME] = 0;
        const speed_t sp = BaudConstant(keep.BaudRate);
        ok = sp != B0 && cfsetispeed(&tio, sp) == 0 && cfsetospeed(&tio, sp) == 0 &&
             ::tcsetattr(fd, TCSANOW, &tio) == 0;
    }
    // Exclusive use, as the instrument has one master.
    if (ok)
        (void)::ioctl(fd, TIOCEXCL);
    if (ok) {
        const int flags = ::fcntl(fd, F_GETFL);
        ok = flags >= 0 && ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0;
    }
    if (!ok) {
        ::close(fd);
        return false;
    }
    (void)InputQueueSize;
    (void)OutputQueueSize;
    FTimeouts = TCommTimeouts{250, 9, 1500, 9, 1500};
    FLine = keep;
    FHandle.store(fd, std::memory_order_release);
    FOpen.store(true, std::memory_order_release);
    return true;
}

void TCommPort::Close()
{
    if (!IsOpen())
        return;
    FOpen.store(false, std::memory_order_release);
    const int fd = FHandle.exchange(-1, std::memory_order_acq_rel);
    if (fd >= 0)
        ::close(fd);
}

void TCommPort::Write(const uint8_t* bytes, unsigned count)
{
    if (count == 0 || bytes == nullptr)
        return;
    const int fd = FHandle.load(std::memory_order_acquire);
    if (fd < 0)
        return;
    for (unsigned i = 0; i < count; ++i) {
        // A write may wait for room in the output queue, within the write time-out.
        if (!WaitFd(fd, POLLOUT, FTimeouts.WriteTotalTimeoutMultiplier + FTimeouts.WriteTotalTimeoutConstant))
            return;
        ssize_t w;
        do {
            w = ::write(fd, bytes + i, 1);
        } while (w < 0 && errno == EINTR);
        if (w != 1)
            return;
        Flush();
    }
}

int TCommPort::Read(uint8_t* buffer, unsigned count)
{
    const int fd = FHandle.load(std::memory_order_acquire);
    if (fd < 0 || buffer == nullptr || count == 0)
        return 0;
    // Total time-out from the first byte asked; an interval time-out between bytes.
    const long long deadline =
        NowMs() + static_cast<long long>(FTimeouts.ReadTotalTimeoutMultiplier) * count +
        FTimeouts.ReadTotalTimeoutConstant;
    unsigned got = 0;
    while (got < count) {
        long long wait = deadline - NowMs();
        if (got > 0 && FTimeouts.ReadIntervalTimeout > 0 && wait > FTimeouts.ReadIntervalTimeout)
            wait = FTimeouts.ReadIntervalTimeout;
        if (wait <= 0 || !WaitFd(fd, POLLIN, wait))
            break;
        ssize_t r;
        do {
            r = ::read(fd, buffer + got, count - got);
        } while (r < 0 && errno == EINTR);
        if (r <= 0)
            break;  // hang-up or error: what arrived is what there is
        got += static_cast<unsigned>(r);
    }
    if (got < count)
        buffer[got] = 0;
    return static_cast<int>(got);
}

bool TCommPort::PurgeInput()
{
    const int fd = FHandle.load(std::memory_order_acquire);
    return fd >= 0 && ::tcflush(fd, TCIFLUSH) == 0;
}

bool TCommPort::Flush()
{
    const int fd = FHandle.load(std::memory_order_acquire);
    return fd >= 0 && ::tcdrain(fd) == 0;
}

int TCommPort::BytesWaiting()
{
    const int fd = FHandle.load(std::memory_order_acquire);
    int n = 0;
    if (fd < 0 || ::ioctl(fd, FIONREAD, &n) != 0 || n < 0)
        return 0;
    return n;
}

void TCommPort::WaitInput(long us, int wakeFd)
{
    if (us <= 0)
        return;
    const auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(us);
    const int fd = FHandle.load(std::memory_order_acquire);
    if (fd >= 0) {
        pollfd p[2] = {{fd, POLLIN, 0}, {wakeFd, POLLIN, 0}};
        const timespec ts{static_cast<time_t>(us / 1000000), (us % 1000000) * 1000};
        const int r = ::ppoll(p, wakeFd >= 0 ? 2 : 1, &ts, nullptr);
        if (r == 0)
            return;  // the whole wait passed
        if (r > 0 && wakeFd >= 0 && (p[1].revents & POLLIN))
            return;
        // Woken by data: return at once so that the caller sees it. A hang-up
        // or an error also wakes poll and would keep waking it at once, which
        // would turn the caller's wait into a busy loop: sleep instead.
        if (r > 0 && (p[0].revents & POLLIN) && !(p[0].revents & (POLLHUP | POLLERR | POLLNVAL)))
            return;
    }
    SleepUntil(until, wakeFd);
}

std::chrono::steady_clock::time_point TCommPort::Now() { return std::chrono::steady_clock::now(); }

void TCommPort::SleepUntil(std::chrono::steady_clock::time_point until, int wakeFd)
{
    for (auto now = std::chrono::steady_clock::now(); now < until; now = std::chrono::steady_clock::now()) {
        const auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(until - now).count();
        const timespec ts{static_cast<time_t>(left / 1000000000), static_cast<long>(left % 1000000000)};
        if (wakeFd < 0) {
            ::nanosleep(&ts, nullptr);
            continue;
        }
        pollfd p{wakeFd, POLLIN, 0};
        if (::ppoll(&p, 1, &ts, nullptr) > 0 && (p.revents & POLLIN))
            return;
    }
}
