#pragma once
// Re-entrant lock of the link and the command set. Re-entrancy is relied on:
// the channel's word writes lock and then call WriteByte, which locks again,
// and a command's Handshake re-takes the command lock its caller holds.

#include <mutex>

class TSpMutex {
public:
    // The time-out is accepted for the callers' sake and ignored: every
    // holder releases within its own poll budget.
    void Lock(unsigned timeoutMs = 0xFFFFFFFFu) { (void)timeoutMs; FMutex.lock(); }
    void Unlock() { FMutex.unlock(); }

    // BasicLockable, for std::lock_guard / std::unique_lock.
    void lock() { FMutex.lock(); }
    void unlock() { FMutex.unlock(); }

private:
    std::recursive_mutex FMutex;
};
