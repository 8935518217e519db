#include "link/SpComm.h"

#include <chrono>
#include <mutex>

TSpComm::TSpComm(std::unique_ptr<TPortEnumerator> enumerator)
    : FPort(std::make_unique<TUsbCommPort>(std::move(enumerator)))
{
}

TSpComm::~TSpComm()
{
    FPort.reset();
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
    // Each poll lasts until its own 1 ms tick, so that a budget of N polls
    // spans N ms of wall time however long the queue checks take.
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    int waiting = FPort->BytesWaiting();
    for (int i = 1; i <= polls && waiting < n; ++i) {
        if (FUrgent.load(std::memory_order_relaxed) != 0)
            FlushUrgent();
        const auto tick = start + std::chrono::milliseconds(i);
        if (waiting == 0) {
            // Nothing there: sleep on the device, woken early by the first byte.
            const auto left = std::chrono::duration_cast<std::chrono::microseconds>(tick - Clock::now()).count();
            FPort->WaitInput(left);
        } else {
            // Some bytes wait but not enough: poll(2) would report the port
            // readable at once, so sleep the tick out instead.
            TCommPort::SleepUntil(tick);
        }
        waiting = FPort->BytesWaiting();
    }
    return waiting;
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
