#pragma once
// The worker thread: its body runs the task engine's loop. The owner ends the
// loop with the task's Shutdown before destroying this object, which joins.

#include <thread>

class TSpTaskBase;

class TThrTask {
public:
    // Created suspended, like the platform thread it stands for; Resume starts it.
    explicit TThrTask(TSpTaskBase& task) : FTask(task) {}
    ~TThrTask();
    TThrTask(const TThrTask&) = delete;
    TThrTask& operator=(const TThrTask&) = delete;

    void Resume();
    bool Started() const { return FThread.joinable(); }

private:
    TSpTaskBase& FTask;
    std::thread FThread;
};
