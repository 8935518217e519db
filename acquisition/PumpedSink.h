#pragma once
// A message sink for programs without a Qt event loop (the command-line front
// end, the tests): messages, errors and window-thread work queue up, and the
// thread that owns the graph takes them in order with Pump. Invoke and
// ShowError wait until that thread has handled them, as the window would.

#include "acquisition/MessageSink.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

class TPumpedSink : public TMessageSink {
public:
    TPumpedSink() : FHome(std::this_thread::get_id()) {}

    void Post(unsigned message, intptr_t wParam, intptr_t lParam) override;
    void ShowError(const std::string& text) override;
    void Invoke(const std::function<void()>& fn) override;

    // Home thread: handles what has queued up, waiting up to `wait` for the
    // first item. Returns the number of items handled.
    int Pump(std::chrono::milliseconds wait = std::chrono::milliseconds(0));
    // Home thread: pumps until pred() holds or the time is up; false on time-out.
    bool PumpUntil(const std::function<bool()>& pred, std::chrono::milliseconds timeout);

protected:
    // Called on the home thread, in arrival order.
    virtual void OnMessage(unsigned message, intptr_t wParam, intptr_t lParam) = 0;
    virtual void OnError(const std::string& text) = 0;

private:
    struct TItem {
        enum { Message, Error, Call } Kind = Message;
        unsigned Msg = 0;
        intptr_t W = 0, L = 0;
        std::string Text;
        const std::function<void()>* Fn = nullptr;
        bool* Done = nullptr;  // set under the lock when a waiting item is handled
    };
    void Enqueue(TItem item, bool wait);

    std::thread::id FHome;
    std::mutex FLock;
    std::condition_variable FQueued;
    std::condition_variable FHandled;
    std::deque<TItem> FItems;
};
