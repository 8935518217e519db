#include "ui/QtMessageSink.h"

#include <QCoreApplication>
#include <QString>
#include <QThread>
#include <QWidget>

#include "ui/Messages.h"

QEvent::Type TUmEvent::Type()
{
    static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

void TQtMessageSink::Post(unsigned message, intptr_t wParam, intptr_t lParam)
{
    if (FWindow != nullptr)
        QCoreApplication::postEvent(FWindow, new TUmEvent(message, wParam, lParam));
}

void TQtMessageSink::ShowError(const std::string& text)
{
    const QString message = QString::fromStdString(text);
    RunOnWindowThread([this, &message] {
        if (!Closing())
            ShowInfo(FWindow, message);
    });
}

void TQtMessageSink::Invoke(const std::function<void()>& fn)
{
    RunOnWindowThread(fn);
}

void TQtMessageSink::RunOnWindowThread(const std::function<void()>& fn)
{
    QWidget* window = FWindow;
    if (window == nullptr || QThread::currentThread() == window->thread()) {
        fn();
        return;
    }
    // A blocking queued call waits for the window thread; the window's
    // tear-down keeps its event loop turning until the worker has ended, so
    // this never waits for a thread that waits for us.
    QMetaObject::invokeMethod(
        window, [&fn] { fn(); }, Qt::BlockingQueuedConnection);
}
