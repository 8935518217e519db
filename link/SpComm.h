#pragma once
// The single channel to the instrument: bytes and little-endian 16/32-bit
// values with bounded waiting, serialised by a re-entrant lock.
//
// Results: 0 success, -1 port not open, -2 time-out, -3 short read.
// A budget of N "polls" is N ms of waiting. The wait sleeps in poll(2) on the
// device, or for the time the missing bytes take to come, so a worker waiting
// on the instrument wakes a few times per wait, not once a millisecond.

#include "link/FTime.h"
#include "link/SpMutex.h"
#include "link/UsbCommPort.h"

#include <atomic>
#include <cstdint>
#include <memory>

class TSpComm {
public:
    static constexpr int ReadPolls = 2000;

    explicit TSpComm(std::unique_ptr<TPortEnumerator> enumerator = nullptr);
    ~TSpComm();
    TSpComm(const TSpComm&) = delete;
    TSpComm& operator=(const TSpComm&) = delete;

    int Open();
    int Close();
    int IsConnected() const { return FConnected.load(std::memory_order_acquire); }

    int WriteByte(uint8_t b);
    // Sends one byte without ever waiting for the channel lock: for the
    // window thread's stop byte. When another thread holds the lock (a read
    // polling for up to two seconds), the byte is left to that thread, which
    // sends it at its next poll or when it lets the lock go, whichever comes
    // first: at once, as a waiting holder is woken for it. -1 when the port is not open.
    int PostUrgent(uint8_t b);
    int ReadByte(uint8_t& b);
    int WriteWord(int value);
    int ReadWord(int16_t& value);
    int WriteDword(int value);
    int ReadDword(int32_t& value);
    int Read(uint8_t* buffer, int count);

    // Lock-free waits, so that the window thread's stop byte can pass while
    // the worker waits for a stream. 0 when the port is not open.
    int WaitAny(int polls);
    int WaitFor(int polls, int n);

    TUsbCommPort& Port() { return *FPort; }
    // Equivalent to Port().SetFixedDevice(path).
    void SetFixedDevice(const std::string& path) { FPort->SetFixedDevice(path); }

private:
    // Up to `polls` polls while fewer than `n` bytes wait; returns the count last seen.
    int PollFor(int polls, int n);
    // Sends the byte PostUrgent left, when the lock can be had without waiting.
    void FlushUrgent();
    // Sends it; the caller holds the lock.
    void SendUrgent();
    // Empties the wake-up descriptor PostUrgent signals a sleeping wait on.
    void DrainWake();
    static void OnLockReleased(void* self) { static_cast<TSpComm*>(self)->FlushUrgent(); }

    std::unique_ptr<TUsbCommPort> FPort;
    TSpHandoffMutex FLock{&TSpComm::OnLockReleased, this};
    // 0x100 | the byte PostUrgent could not send itself, or 0.
    std::atomic<int> FUrgent{0};
    std::atomic<int> FConnected{0};
    // eventfd written when a byte is left to a waiting holder (-1 if none could be made).
    int FWake = -1;
    FTime FTimer;
};
