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
    // For a thread that must not wait for the holder (the window thread's
    // stop byte): it leaves its work to the holder instead.
    bool try_lock() { return FMutex.try_lock(); }

private:
    std::recursive_mutex FMutex;
};

// A re-entrant lock whose outermost release runs a hook on the releasing
// thread. The window thread must never wait for the worker's instrument
// traffic; where it finds such a lock taken it leaves a small job behind
// (a byte to send) and the holder runs the hook, which does that job, as it
// lets go. The hook may take the lock itself (try_lock, then unlock): the
// release it then causes runs the hook once more, which finds nothing left.
class TSpHandoffMutex {
public:
    using THook = void (*)(void* context);

    TSpHandoffMutex(THook onRelease, void* context) : FHook(onRelease), FContext(context) {}
    TSpHandoffMutex(const TSpHandoffMutex&) = delete;
    TSpHandoffMutex& operator=(const TSpHandoffMutex&) = delete;

    void lock()
    {
        FMutex.lock();
        ++FDepth;
    }
    bool try_lock()
    {
        if (!FMutex.try_lock())
            return false;
        ++FDepth;
        return true;
    }
    void unlock()
    {
        // The depth belongs to the holder: only it changes or reads it.
        const bool outermost = --FDepth == 0;
        FMutex.unlock();
        if (outermost)
            FHook(FContext);
    }

private:
    std::recursive_mutex FMutex;
    int FDepth = 0;
    THook FHook;
    void* FContext;
};
