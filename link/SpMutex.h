#pragma once
// Re-entrant lock of the link and the command set. Re-entrancy is relied on:
// the channel's word writes lock and then call WriteByte, which locks again,
// and a command's Handshake re-takes the command lock its caller holds.

#include <atomic>
#include <mutex>
#include <thread>

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

// A re-entrant lock whose outermost release runs a hook on the releasing
// thread. The window thread must never wait for the worker's instrument
// traffic; where it finds such a lock taken it leaves a small job behind
// (a byte to send) and the holder runs the hook, which does that job, as it
// lets go. The hook may take the lock itself (TryLockIfFree, then unlock):
// the release it then causes runs the hook once more, which finds nothing left.
//
// Why nothing is ever left behind: the poster stores its job, then looks at
// the owner; the holder clears the owner, lets go, then looks for a job. All
// four are sequentially consistent, so either the poster sees no owner (and
// takes the lock itself, or finds it taken again by a holder that will look
// for the job when it lets go), or the holder sees the job.
class TSpHandoffMutex {
public:
    using THook = void (*)(void* context);

    TSpHandoffMutex(THook onRelease, void* context) : FHook(onRelease), FContext(context) {}
    TSpHandoffMutex(const TSpHandoffMutex&) = delete;
    TSpHandoffMutex& operator=(const TSpHandoffMutex&) = delete;

    void lock()
    {
        FMutex.lock();
        Entered();
    }
    bool try_lock()
    {
        if (!FMutex.try_lock())
            return false;
        Entered();
        return true;
    }
    void unlock()
    {
        // The depth belongs to the holder: only it changes or reads it.
        const bool outermost = --FDepth == 0;
        if (outermost)
            FOwner.store(std::thread::id());
        FMutex.unlock();
        if (outermost)
            FHook(FContext);
    }

    // For a thread that must not wait: takes the lock only when nobody holds it.
    bool TryLockIfFree() { return FOwner.load() == std::thread::id() && try_lock(); }
    // The calling thread holds the lock (at any depth).
    bool HeldByMe() const { return FOwner.load() == std::this_thread::get_id(); }

private:
    void Entered()
    {
        if (FDepth++ == 0)
            FOwner.store(std::this_thread::get_id());
    }

    std::recursive_mutex FMutex;
    std::atomic<std::thread::id> FOwner{};
    int FDepth = 0;
    THook FHook;
    void* FContext;
};
