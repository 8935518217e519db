#include "sim/SimPtyHost.h"
#include "link/TimeScale.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

bool Fail(std::string* error, const std::string& text)
{
    if (error)
        *error = text;
    return false;
}

std::string Errno(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

// Longest sleep while nothing is due: only bounds how late the exclusive-use
// flag is cleared (see Serve) once the program has closed the port.
constexpr int IdleSleepMs = 100;
// Shortest sleep while bytes are due later: bytes then go out in small
// bursts (as from a USB adapter) instead of one wake-up per byte.
constexpr int MinSleepMs = 4;

// The program's ZQ735_TIME_SCALE, read the way the link reads it, so that
// both sides stretch alike.
double EnvironmentTimeScale()
{
    return ParseTimeScale(std::getenv("ZQ735_TIME_SCALE"));
}

TSimOptions WithTimeScale(TSimOptions options)
{
    if (!(options.TimeScale >= 1.0))
        options.TimeScale = EnvironmentTimeScale();
    return options;
}

}  // namespace

TSimPtyHost::TSimPtyHost(TSimOptions options)
    : FOptions(WithTimeScale(std::move(options))), FMachine(FOptions)
{
}

TSimPtyHost::~TSimPtyHost() { Stop(); }

bool TSimPtyHost::LoadSample(const std::string& source, TSampleSpectrum& out, std::string& error)
{
    if (source.empty()) {
        out = BuiltinPolystyrene();
        return true;
    }
    if (source == "empty") {
        out = EmptyBeam();
        return true;
    }
    double quartzMg = 0;
    if (ParseQuartzSample(source, quartzMg, error)) {
        out = BuiltinQuartzPellet(quartzMg);
        return true;
    }
    if (!error.empty())
        return false;
    return LoadSampleSpectrum(source, out, error);
}

bool TSimPtyHost::Start(std::string* error)
{
    if (FThread.joinable() || FMaster >= 0 || FStopping.load())
        return Fail(error, "the simulated instrument was started before");
    if (!std::isfinite(FOptions.Speed) || FOptions.Speed <= 0 || FOptions.Speed > 1e6)
        return Fail(error, "speed must be above 0 and at most 1000000");
    if (!std::isfinite(FOptions.Noise) || FOptions.Noise < 0 || FOptions.Noise > 30000)
        return Fail(error, "noise must be between 0 and 30000");
    TSimFault fault;
    if (!TSimFault::Parse(FOptions.Fault, fault, error))
        return false;
    TSampleSpectrum sample;
    std::string sampleError;
    if (!LoadSample(FOptions.SampleFile, sample, sampleError))
        return Fail(error, sampleError);
    FSample = sample;
    FMachine.SetSample(std::move(sample));
    FMachine.SetFault(fault);

    FMaster = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (FMaster < 0)
        return Fail(error, Errno("posix_openpt"));
    char name[128];
    if (::grantpt(FMaster) != 0 || ::unlockpt(FMaster) != 0 || ::ptsname_r(FMaster, name, sizeof name) != 0) {
        const std::string text = Errno("pseudo-terminal set-up");
        CloseLine();
        return Fail(error, text);
    }
    FPath = name;
    const int flags = ::fcntl(FMaster, F_GETFL);
    FSlaveKeep = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios tio{};
    if (flags < 0 || ::fcntl(FMaster, F_SETFL, flags | O_NONBLOCK) != 0 || FSlaveKeep < 0 ||
        ::tcgetattr(FSlaveKeep, &tio) != 0) {
        const std::string text = Errno(FPath.c_str());
        CloseLine();
        return Fail(error, text);
    }
    cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    cfsetispeed(&tio, B9600);
    cfsetospeed(&tio, B9600);
    int wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (::tcsetattr(FSlaveKeep, TCSANOW, &tio) != 0 || wake < 0) {
        if (wake >= 0)
            ::close(wake);
        const std::string text = Errno("line set-up");
        CloseLine();
        return Fail(error, text);
    }

    {
        std::lock_guard<std::mutex> g(FFaultLock);
        FWake = wake;
    }
    FOrigin = std::chrono::steady_clock::now();
    FServing.store(true, std::memory_order_release);
    FThread = std::thread([this] { Serve(); });
    return true;
}

void TSimPtyHost::Stop()
{
    FStopping.store(true, std::memory_order_release);
    {
        std::lock_guard<std::mutex> g(FFaultLock);
        if (FWake >= 0) {
            const uint64_t one = 1;
            (void)!::write(FWake, &one, sizeof one);
        }
    }
    if (FThread.joinable())
        FThread.join();
    CloseLine();
    std::lock_guard<std::mutex> g(FFaultLock);
    if (FWake >= 0) {
        ::close(FWake);
        FWake = -1;
    }
    FServing.store(false, std::memory_order_release);
}

bool TSimPtyHost::SetFault(const std::string& kindArg, std::string* error)
{
    TSimFault check;
    if (!TSimFault::Parse(kindArg, check, error))
        return false;
    std::lock_guard<std::mutex> g(FFaultLock);
    FPendingFault = kindArg;
    FFaultChanged = true;
    // Before Start the serving thread picks the change up on its first pass.
    if (FWake >= 0) {
        const uint64_t one = 1;
        (void)!::write(FWake, &one, sizeof one);
    }
    return true;
}

void TSimPtyHost::CloseLine()
{
    if (FSlaveKeep >= 0)
        ::close(FSlaveKeep);
    if (FMaster >= 0)
        ::close(FMaster);
    FSlaveKeep = FMaster = -1;
}

TSimTime TSimPtyHost::Now() const
{
    return std::chrono::duration_cast<TSimTime>(std::chrono::steady_clock::now() - FOrigin);
}

void TSimPtyHost::AdoptFault()
{
    std::string fault;
    {
        std::lock_guard<std::mutex> g(FFaultLock);
        if (!FFaultChanged)
            return;
        FFaultChanged = false;
        fault = FPendingFault;
    }
    FMachine.SetFault(fault);
}

void TSimPtyHost::Serve()
{
    std::vector<uint8_t> out;  // due bytes the line has not taken yet
    size_t sent = 0;
    uint8_t buf[1024];
    auto lastUnlock = std::chrono::steady_clock::now();
    bool hangup = false;

    while (!FStopping.load(std::memory_order_acquire)) {
        std::optional<TSimTime> next;
        size_t got = 0;
        {
            std::lock_guard<std::mutex> g(FMachineLock);
            AdoptFault();
            if (sent == out.size()) {
                out.clear();
                sent = 0;
                got = FMachine.Read(buf, sizeof buf, Now());
                out.assign(buf, buf + got);
            }
            next = FMachine.NextEvent();
            hangup = FMachine.HangupRequested();
        }
        if (hangup)
            break;

        while (sent < out.size()) {
            const ssize_t w = ::write(FMaster, out.data() + sent, out.size() - sent);
            if (w > 0)
                sent += static_cast<size_t>(w);
            else if (w < 0 && errno == EINTR)
                continue;
            else
                break;  // the program is not reading: wait until the line has room
        }

        // The program's port code asks for exclusive use; the flag belongs to
        // the terminal, and the descriptor kept open here would keep it set
        // after the program closes the port, locking it out of reopening.
        const auto wall = std::chrono::steady_clock::now();
        if (wall - lastUnlock >= std::chrono::milliseconds(IdleSleepMs)) {
            (void)::ioctl(FSlaveKeep, TIOCNXCL);
            lastUnlock = wall;
        }

        int timeout = IdleSleepMs;
        const bool blocked = sent < out.size();
        if (!blocked && next) {
            const double ms = (*next - Now()).count() * 1000.0;
            if (ms <= 0)
                timeout = got > 0 ? 0 : 1;  // more is due at once; never spin without progress
            else
                timeout = std::clamp(static_cast<int>(std::ceil(ms)), MinSleepMs, IdleSleepMs);
        }
        pollfd fds[2] = {{FMaster, static_cast<short>(POLLIN | (blocked ? POLLOUT : 0)), 0}, {FWake, POLLIN, 0}};
        const int r = ::poll(fds, 2, timeout);
        if (r < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (fds[1].revents & POLLIN) {
            uint64_t count;
            (void)!::read(FWake, &count, sizeof count);
        }
        if (fds[0].revents & POLLIN) {
            uint8_t in[256];
            const ssize_t n = ::read(FMaster, in, sizeof in);
            if (n > 0) {
                std::lock_guard<std::mutex> g(FMachineLock);
                // A fault set before the program wrote these bytes must spoil them.
                AdoptFault();
                FMachine.Feed(in, static_cast<size_t>(n), Now());
            }
        } else if (fds[0].revents & (POLLHUP | POLLERR)) {
            // Cannot happen while the slave is held open; if it does, do not
            // let poll return at once forever.
            std::this_thread::sleep_for(std::chrono::milliseconds(IdleSleepMs));
        }
    }

    if (hangup) {
        CloseLine();
        FServing.store(false, std::memory_order_release);
    }
}
