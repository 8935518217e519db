#pragma once
// Base of the instrument's task engine. The command set reports progress
// through these virtual operations while a command runs on the worker thread;
// the window thread ends the engine's loop through Shutdown.
//
// The order of the virtual operations is the engine's callback table:
//   0 OnMotorSteps, 1 Hook1, 2 Hook2, 3 OnScanData, 4 Run, 5 OnWait,
//   6 Shutdown, 7 IsFinished.
// The base does nothing in any of them, so a command set driven without an
// engine (or with a bare base) simply runs its commands.

#include <atomic>
#include <cstdint>

class TSpTaskBase {
public:
    TSpTaskBase() = default;
    virtual ~TSpTaskBase() = default;
    TSpTaskBase(const TSpTaskBase&) = delete;
    TSpTaskBase& operator=(const TSpTaskBase&) = delete;

    // A motor made `steps` steps (signed by its direction) since the last call.
    virtual void OnMotorSteps(int motor, int steps);
    virtual void Hook1();
    virtual void Hook2();
    // One chunk of a sample stream. `samples` is only valid during the call.
    // Returns the number of samples taken.
    virtual int OnScanData(const int16_t* samples, int count);
    // The worker loop; it must set finished when it ends (see SetFinished).
    virtual void Run();
    // Waiting for a paused instrument: phase 0 opens with the whole seconds
    // to wait, phase 1 (value -1) marks each second gone, phase 2 closes with
    // the milliseconds left.
    virtual void OnWait(int phase, int value);
    // Window thread: asks the loop to end and waits until it has.
    virtual void Shutdown();
    virtual bool IsFinished() const;

    bool IsStopRequested() const { return FStopRequested.load(std::memory_order_acquire); }

protected:
    void SetStopRequested(bool value) { FStopRequested.store(value, std::memory_order_release); }
    void SetFinished(bool value) { FFinished.store(value, std::memory_order_release); }

private:
    // Single flags written by one thread and read by the other.
    std::atomic<bool> FStopRequested{false};
    std::atomic<bool> FFinished{false};
};
