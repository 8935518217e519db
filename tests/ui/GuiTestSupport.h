#pragma once
// Answering modal windows from a test: a watcher polls the event loop (which
// keeps running inside every exec()) until a modal window of the wanted type
// is on top, then runs the test's action on it once.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <memory>

#include "tests/support/TestTime.h"

// Returns the watcher; StopWatching ends it early (when the window is not
// expected after all). The time-out is a safety limit (WaitLimitMs).
template <class T>
QPointer<QTimer> WhenModal(std::function<void(T*)> action, int timeoutMs = 5000)
{
    auto* timer = new QTimer;
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    timer->setInterval(2);
    QObject::connect(timer, &QTimer::timeout, [timer, clock, action, timeoutMs] {
        QWidget* top = QApplication::activeModalWidget();
        if (T* wanted = qobject_cast<T*>(top); wanted != nullptr && wanted->isVisible()) {
            timer->stop();
            timer->deleteLater();
            action(wanted);
            return;
        }
        if (clock->elapsed() > WaitLimitMs(timeoutMs)) {
            timer->stop();
            timer->deleteLater();
            ADD_FAILURE() << "no modal " << T::staticMetaObject.className() << " appeared";
            // Unblock the test instead of hanging it.
            if (auto* dialog = qobject_cast<QDialog*>(top)) {
                dialog->done(QDialog::Rejected);
            }
        }
    });
    timer->start();
    return timer;
}

inline void StopWatching(const QPointer<QTimer>& watcher)
{
    if (watcher) {
        watcher->stop();
        watcher->deleteLater();
    }
}

// What a message box said.
struct TBoxSeen {
    int Count = 0;
    QString Title;
    QString Text;
    QMessageBox::Icon Icon = QMessageBox::NoIcon;
};

// Answers the next modal message box with its default (OK) button.
inline void AnswerMessageBox(TBoxSeen& seen)
{
    WhenModal<QMessageBox>([&seen](QMessageBox* box) {
        ++seen.Count;
        seen.Title = box->windowTitle();
        seen.Text = box->text();
        seen.Icon = box->icon();
        box->done(QMessageBox::Ok);
    });
}

// A widget's child by object name; fails the test when it is missing.
template <class T>
T* Child(QObject* parent, const char* name)
{
    T* child = parent->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(child, nullptr) << name;
    return child;
}

inline void Click(QObject* parent, const char* buttonName)
{
    if (auto* button = Child<QAbstractButton>(parent, buttonName)) {
        button->click();
    }
}

// Runs the event loop for about `ms` milliseconds.
inline void Pump(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// The window thread's longest stretch without turning its event loop, as a
// 5 ms timer on that thread sees it.
class TGapProbe {
public:
    TGapProbe()
    {
        FTimer.setInterval(5);
        QObject::connect(&FTimer, &QTimer::timeout, [this] {
            const qint64 now = FClock.elapsed();
            FLongest = std::max(FLongest, now - FLast);
            FLast = now;
        });
    }
    void Start()
    {
        FLongest = 0;
        FClock.start();
        FLast = 0;
        FTimer.start();
    }
    qint64 Stop()
    {
        FTimer.stop();
        return std::max(FLongest, FClock.elapsed() - FLast);
    }

private:
    QTimer FTimer;
    QElapsedTimer FClock;
    qint64 FLast = 0;
    qint64 FLongest = 0;
};
