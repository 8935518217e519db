#pragma once
// The acquisition side's messages as Qt events for the main window.
//
// Post queues one event per message on the window (postEvent is safe from any
// thread), so the window handles them in arrival order on its own thread.
// ShowError and Invoke run on the window thread and make the worker wait until
// they are done; they go through the same posted-event queue, so they keep
// their place among the messages posted before them.

#include <QEvent>
#include <atomic>
#include <cstdint>

#include "acquisition/MessageSink.h"

class QWidget;

class TUmEvent : public QEvent {
public:
    TUmEvent(unsigned message, intptr_t wParam, intptr_t lParam)
        : QEvent(Type()), Msg(message), W(wParam), L(lParam)
    {
    }
    // The event type every window message travels as (registered once).
    static QEvent::Type Type();

    unsigned Msg;
    intptr_t W;
    intptr_t L;
};

class TQtMessageSink : public TMessageSink {
public:
    explicit TQtMessageSink(QWidget* window) : FWindow(window) {}

    void Post(unsigned message, intptr_t wParam, intptr_t lParam) override;
    // A modal information box over the window.
    void ShowError(const std::string& text) override;
    void Invoke(const std::function<void()>& fn) override;

    // From the start of tear-down on, nobody is left to answer an error box:
    // ShowError returns at once. Invoke keeps running its calls, because the
    // worker waits for them before it can see that it has to end.
    void SetClosing() { FClosing.store(true, std::memory_order_release); }
    bool Closing() const { return FClosing.load(std::memory_order_acquire); }

private:
    // Runs fn on the window's thread and returns when it has run.
    void RunOnWindowThread(const std::function<void()>& fn);

    QWidget* FWindow;  // outlives the worker: the window joins it before it goes
    std::atomic<bool> FClosing{false};
};
