#include "acquisition/PumpedSink.h"

void TPumpedSink::Enqueue(TItem item, bool wait)
{
    bool done = false;
    std::unique_lock lock(FLock);
    if (wait)
        item.Done = &done;
    FItems.push_back(std::move(item));
    FQueued.notify_all();
    if (wait)
        FHandled.wait(lock, [&] { return done; });
}

void TPumpedSink::Post(unsigned message, intptr_t wParam, intptr_t lParam)
{
    TItem item;
    item.Kind = TItem::Message;
    item.Msg = message;
    item.W = wParam;
    item.L = lParam;
    Enqueue(std::move(item), false);
}

void TPumpedSink::ShowError(const std::string& text)
{
    TItem item;
    item.Kind = TItem::Error;
    item.Text = text;
    Enqueue(std::move(item), std::this_thread::get_id() != FHome);
}

void TPumpedSink::Invoke(const std::function<void()>& fn)
{
    if (std::this_thread::get_id() == FHome) {
        fn();
        return;
    }
    TItem item;
    item.Kind = TItem::Call;
    item.Fn = &fn;
    Enqueue(std::move(item), true);
}

int TPumpedSink::Pump(std::chrono::milliseconds wait)
{
    int handled = 0;
    std::unique_lock lock(FLock);
    if (FItems.empty() && wait.count() > 0)
        FQueued.wait_for(lock, wait, [this] { return !FItems.empty(); });
    while (!FItems.empty()) {
        TItem item = std::move(FItems.front());
        FItems.pop_front();
        lock.unlock();
        switch (item.Kind) {
        case TItem::Message: OnMessage(item.Msg, item.W, item.L); break;
        case TItem::Error: OnError(item.Text); break;
        case TItem::Call: (*item.Fn)(); break;
        }
        lock.lock();
        if (item.Done != nullptr) {
            *item.Done = true;
            FHandled.notify_all();
        }
        ++handled;
    }
    return handled;
}

bool TPumpedSink::PumpUntil(const std::function<bool()>& pred, std::chrono::milliseconds timeout)
{
    const auto until = std::chrono::steady_clock::now() + timeout;
    while (!pred()) {
        const auto now = std::chrono::steady_clock::now();
        if (now >= until)
            return false;
        Pump(std::min(std::chrono::duration_cast<std::chrono::milliseconds>(until - now),
                      std::chrono::milliseconds(20)));
    }
    return true;
}
