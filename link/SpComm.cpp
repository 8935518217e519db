#include "link/SpComm.h"
#include "link/TimeScale.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <mutex>
#include <sys/eventfd.h>
#include <unistd.h>

TSpComm::TSpComm(std::unique_ptr<TPortEnumerator> enumerator)
    : FPort(std::make_unique<TUsbCommPort>(std::move(enumerator))),
      FWake(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC))
{
}

TSpComm::~TSpComm()
{
    FPort.reset();
    if (FWake >= 0)
        ::close(FWake);
}

int TSpComm::Open()
{
    std::lock_guard guard(FLock);
    if (FPort->IsOpen())
        return 0;
    if (!FPort->OpenUsbPort())
        return -1;
    FPort->PurgeInput();
    FConnected.store(1, std::memory_order_release);
    return 0;
}

int TSpComm::Close()
{
    // Taken so that a window-thread write never meets a descriptor being closed.
    std::lock_guard guard(FLock);
    FPort->Close();
    // A byte meant for the instrument that is gone is not sent to the next one.
    FUrgent.store(0);
    FConnected.store(0, std::memory_order_release);
    return 0;
}

int TSpComm::PollFor(int polls, int n)
{
    // One wait per missing stretch instead of a wake-up per millisecond: with
    // nothing there the worker sleeps on the device until the first byte; with
    // some bytes there, poll(2) would report the port readable at once, so it
    // sleeps for as long as the missing bytes take at the pace they have been
    // coming in. Either sleep ends early when PostUrgent leaves a byte to send.
    using Clock = std::chrono::steady_clock;
    constexpr auto FirstNap = std::chrono::milliseconds(2);  // before any pace is known
    constexpr auto ShortestNap = std::chrono::milliseconds(1);
    const auto start = TCommPort::Now();
    // A poll is a millisecond of the instrument's budget, stretched where the
    // run asks for it (LinkTimeScale).
    const auto budget =
        std::chrono::microseconds(std::llround(std::max(polls, 0) * 1000.0 * LinkTimeScale()));
    const auto deadline = start + budget;
    int waiting = FPort->BytesWaiting();
    Clock::time_point firstSeen{};
    int firstCount = 0;
    if (waiting > 0) {
        firstSeen = start;
        firstCount = waiting;
    }
    while (waiting < n) {
        DrainWake();
        if (FUrgent.load(std::memory_order_relaxed) != 0)
            FlushUrgent();
        const auto now = TCommPort::Now();
        if (now >= deadline)
            break;
        if (waiting == 0) {
            const auto left = std::chrono::duration_cast<std::chrono::microseconds>(deadline - now).count();
            FPort->WaitInput(left, FWake);
        } else {
            if (firstCount == 0) {
                firstSeen = now;
                firstCount = waiting;
            }
            const int came = waiting - firstCount;
            Clock::duration nap = FirstNap;
            if (came > 0)
                nap = (now - firstSeen) * (n - waiting) / came;
            nap = std::max<Clock::duration>(nap, ShortestNap);
            TCommPort::SleepUntil(std::min(deadline, now + nap), FWake);
        }
        waiting = FPort->BytesWaiting();
    }
    return waiting;
}

void TSpComm::DrainWake()
{
    if (FWake < 0)
        return;
    uint64_t count = 0;
    while (::read(FWake, &count, sizeof count) > 0) {
    }
}

int TSpComm::WriteByte(uint8_t b)
{
    if (!FPort->IsOpen())
        return -1;
    std::lock_guard guard(FLock);
    FPort->Write(&b, 1);
    return 0;
}

int TSpComm::PostUrgent(uint8_t b)
{
    if (!FPort->IsOpen())
        return -1;
    FUrgent.store(0x100 | b);
    FlushUrgent();
    // Left to the lock's holder, which may be asleep in a wait: wake it.
    if (FUrgent.load() != 0 && FWake >= 0) {
        const uint64_t one = 1;
        (void)!::write(FWake, &one, sizeof one);
    }
    return 0;
}

void TSpComm::FlushUrgent()
{
    if (FUrgent.load() == 0)
        return;
    if (FLock.HeldByMe()) {
        // A poll of this thread's own read: the lock is ours already.
        SendUrgent();
        return;
    }
    if (!FLock.TryLockIfFree())
        return;  // the holder sends it at its next poll or as it lets go
    SendUrgent();
    FLock.unlock();
}

void TSpComm::SendUrgent()
{
    const int pending = FUrgent.exchange(0);
    if (pending != 0 && FPort->IsOpen()) {
        const auto b = static_cast<uint8_t>(pending & 0xFF);
        FPort->Write(&b, 1);
    }
}

int TSpComm::ReadByte(uint8_t& b)
{
    if (!FPort->IsOpen())
        return -1;
    std::lock_guard guard(FLock);
    int result = -2;
    if (PollFor(ReadPolls, 1) >= 1) {
        uint8_t buf[2] = {0, 0};
        result = FPort->Read(buf, 1) == 1 ? 0 : -3;
        if (result == 0)
            b = buf[0];
    }
    return result;
}

int TSpComm::WriteWord(int value)
{
    if (!FPort->IsOpen())
        return -1;
    std::lock_guard guard(FLock);
    WriteByte(static_cast<uint8_t>(value & 0xFF));
    WriteByte(static_cast<uint8_t>((value >> 8) & 0xFF));
    return 0;
}

int TSpComm::ReadWord(int16_t& value)
{
    if (!FPort->IsOpen())
        return -1;
    std::lock_guard guard(FLock);
    int result = -2;
    if (PollFor(ReadPolls, 2) >= 2) {
        // Once counted as waiting, the bytes are taken as read.
        uint8_t lo = 0, hi = 0;
        ReadByte(lo);
        ReadByte(hi);
        value = static_cast<int16_t>(static_cast<uint16_t>((hi << 8) | lo));
        result = 0;
    }
    return result;
}

int TSpComm::WriteDword(int value)
{
    if (!FPort->IsOpen())
        return -1;
    std::lock_guard guard(FLock);
    const auto u = static_cast<uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8)
        WriteByte(static_cast<uint8_t>((u >> shift) & 0xFF));
    return 0;
}

int TSpComm::ReadDword(int32_t& value)
{
    if (!FPort->IsOpen())
        return -1;
    std::lock_guard guard(FLock);
    int result = -2;
    if (PollFor(ReadPolls, 4) >= 4) {
        uint32_t u = 0;
        for (int shift = 0; shift < 32; shift += 8) {
            uint8_t b = 0;
            ReadByte(b);
            u |= static_cast<uint32_t>(b) << shift;
        }
        value = static_cast<int32_t>(u);
        result = 0;
    }
    return result;
}

int TSpComm::Read(uint8_t* buffer, int count)
{
    if (!FPort->IsOpen())
        return -1;
    if (buffer == nullptr || count <= 0)
        return 0;
    std::lock_guard guard(FLock);
    int result = -2;
    if (PollFor(ReadPolls, count) >= count)
        result = FPort->Read(buffer, static_cast<unsigned>(count)) == count ? 0 : -3;
    return result;
}

int TSpComm::WaitAny(int polls)
{
    if (!FPort->IsOpen())
        return 0;
    return PollFor(polls, 1);
}

int TSpComm::WaitFor(int polls, int n)
{
    if (!FPort->IsOpen())
        return 0;
    const int waiting = PollFor(polls, n);
    return waiting >= n ? waiting : 0;
}
