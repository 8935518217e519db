// Link-time stand-ins for link/CommPort.cpp and link/FTimeDelay.cpp (see
// MemoryPort.h). The fuzz target is built from the link's other sources and
// this file instead of the zq735_link library, so nothing here collides
// with the real definitions.

#include "fuzz/MemoryPort.h"

#include "link/CommPort.h"
#include "link/FTime.h"

#include <algorithm>
#include <cstring>

namespace {

struct TReply {
    const uint8_t* Data = nullptr;
    size_t Size = 0;
    size_t Arrived = 0;  // bytes the program may see
    size_t Read = 0;     // bytes it has taken
    size_t Chunk = 0;
    std::vector<uint8_t> Written;
};

TReply& Reply()
{
    static TReply r;
    return r;
}

// A wait of the program: the next bytes arrive.
void Arrive()
{
    TReply& r = Reply();
    r.Arrived = r.Chunk == 0 ? r.Size : std::min(r.Size, r.Arrived + r.Chunk);
}

}  // namespace

namespace fuzz {

void SetReply(const uint8_t* data, size_t size, size_t chunk)
{
    TReply& r = Reply();
    r.Data = data;
    r.Size = size;
    r.Read = 0;
    r.Chunk = chunk;
    r.Arrived = 0;
    r.Written.clear();
    Arrive();
}

const std::vector<uint8_t>& Written() { return Reply().Written; }

}  // namespace fuzz

// --- TCommPort ----------------------------------------------------------------

TCommPort::TCommPort() : FPortName("/dev/ttyS0") {}

TCommPort::~TCommPort() { Close(); }

void TCommPort::SetPortName(const std::string& name)
{
    if (IsOpen())
        throw ECommError{6, 0};
    FPortName = name;
}

bool TCommPort::Open()
{
    FTimeouts = TCommTimeouts{250, 9, 1500, 9, 1500};
    FHandle.store(0, std::memory_order_release);
    FOpen.store(true, std::memory_order_release);
    return true;
}

void TCommPort::Close()
{
    FOpen.store(false, std::memory_order_release);
    FHandle.store(-1, std::memory_order_release);
}

void TCommPort::Write(const uint8_t* bytes, unsigned count)
{
    if (count == 0 || bytes == nullptr || !IsOpen())
        return;
    Reply().Written.insert(Reply().Written.end(), bytes, bytes + count);
}

int TCommPort::Read(uint8_t* buffer, unsigned count)
{
    if (!IsOpen() || buffer == nullptr || count == 0)
        return 0;
    TReply& r = Reply();
    // A read waits out its time-out for what has not arrived yet.
    unsigned got = 0;
    while (got < count) {
        if (r.Read == r.Arrived) {
            const size_t before = r.Arrived;
            Arrive();
            if (r.Arrived == before)
                break;
        }
        const size_t n = std::min<size_t>(count - got, r.Arrived - r.Read);
        std::memcpy(buffer + got, r.Data + r.Read, n);
        r.Read += n;
        got += static_cast<unsigned>(n);
    }
    if (got < count)
        buffer[got] = 0;
    return static_cast<int>(got);
}

bool TCommPort::PurgeInput() { return IsOpen(); }

bool TCommPort::Flush() { return IsOpen(); }

int TCommPort::BytesWaiting()
{
    if (!IsOpen())
        return 0;
    const TReply& r = Reply();
    return static_cast<int>(std::min<size_t>(r.Arrived - r.Read, 1 << 30));
}

// The channel's waits run on this clock. A wait that brings no byte lets its
// whole time pass at once, so that a silent "instrument" ends a poll budget
// after a few turns of the loop instead of after its real seconds.
namespace {
std::chrono::steady_clock::time_point& VirtualNow()
{
    static std::chrono::steady_clock::time_point now = std::chrono::steady_clock::now();
    return now;
}
}  // namespace

std::chrono::steady_clock::time_point TCommPort::Now() { return VirtualNow(); }

void TCommPort::WaitInput(long us, int)
{
    const size_t before = Reply().Arrived;
    Arrive();
    if (Reply().Arrived == before && us > 0)
        VirtualNow() += std::chrono::microseconds(us);
}

void TCommPort::SleepUntil(std::chrono::steady_clock::time_point until, int)
{
    Arrive();
    VirtualNow() = std::max(VirtualNow(), until);
}

// --- FTime: the command set's fixed pauses pass at once -----------------------

int FTime::DelayMs(double) { return 1; }
