#pragma once
// How the acquisition side tells the window what happens. The worker thread
// never calls into the window: it posts numbered messages, handled in order
// on the window thread (Qt events in the program, a recorder in tests).

#include <cstdint>
#include <functional>
#include <string>

enum TWindowMessage : unsigned {
    UM_STATE = 1026,
    UM_POSITION = 1027,
    UM_RESET_PROGRESS = 1028,
    UM_TASK_FAILED = 1029,  // the idle state after a failed task; lParam = the error code
    UM_PARAMS = 1030,
    UM_CURVE_DATA = 1031,
    UM_CURVE_LIST = 1032,
    UM_READING = 1033,
    UM_BUSY = 1034,
    UM_STATUS_TEXT = 1035,
    UM_BASELINE = 1036,
    UM_WAIT = 1037,
    UM_GRAPH_REDRAW = 1038,
};

class TMessageSink {
public:
    virtual ~TMessageSink() = default;
    // Queued; returns at once. wParam/lParam may carry addresses (UM_PARAMS,
    // UM_CURVE_DATA) of objects that outlive the message.
    virtual void Post(unsigned message, intptr_t wParam, intptr_t lParam) = 0;
    // A failed task's text, shown modally; returns when the operator has seen it.
    virtual void ShowError(const std::string& text) = 0;
    // Runs `fn` on the window thread and returns when it has run. The model
    // creates and sizes a scan's curve this way, so that the graph's slot
    // table and its drawing surface are only ever touched by the window
    // thread; appending points needs no such trip (the curve's own lock).
    // A sink without a window thread runs `fn` at once.
    virtual void Invoke(const std::function<void()>& fn) { fn(); }
};
