#pragma once
// The main window in a test: a temporary data folder with a valid
// configuration, no exit question, and a way to answer a sequence of modal
// windows in order.

#include <QAbstractButton>
#include <QAction>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <vector>

#include "GuiTestSupport.h"
#include "acquisition/ZQ735Task.h"
#include "plot/SpGraph735.h"
#include "spectra/SpCurveZQ735.h"
#include "ui/MainWindow.h"
#include "ui/QtMessageSink.h"
#include "ui/SysConfig.h"

// One step of a modal script: acts on the top modal window and returns true,
// or returns false to wait for a later window.
using TModalStep = std::function<bool(QWidget*)>;

template <class T>
TModalStep OnModal(std::function<void(T*)> action)
{
    return [action](QWidget* top) {
        T* w = qobject_cast<T*>(top);
        if (w == nullptr || !w->isVisible())
            return false;
        action(w);
        return true;
    };
}

// Runs the steps in order against the modal windows as they come up. Done()
// turns true when every step has run. A script that is not `required` only
// stands by, in case a window comes that should not (the test then sees
// that its step ran instead of hanging in that window). The time-out, per
// step, is a safety limit (WaitLimitMs).
class TModalScript {
public:
    explicit TModalScript(std::vector<TModalStep> steps, int timeoutMs = 20000, bool required = true)
        : FSteps(std::move(steps)), FTimeoutMs(WaitLimitMs(timeoutMs)), FRequired(required)
    {
        FClock.start();
        FTimer.setInterval(2);
        QObject::connect(&FTimer, &QTimer::timeout, [this] { Poll(); });
        FTimer.start();
    }
    bool Done() const { return FNext >= FSteps.size(); }
    size_t StepsRun() const { return FNext; }

private:
    void Poll()
    {
        if (Done()) {
            FTimer.stop();
            return;
        }
        if (QWidget* top = QApplication::activeModalWidget(); top != nullptr && FSteps[FNext](top)) {
            ++FNext;
            FClock.restart();
            return;
        }
        if (FClock.elapsed() > FTimeoutMs) {
            FTimer.stop();
            if (!FRequired)
                return;
            ADD_FAILURE() << "modal step " << FNext << " did not come";
            if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
                d->done(QDialog::Rejected);
        }
    }

    std::vector<TModalStep> FSteps;
    size_t FNext = 0;
    int FTimeoutMs;
    bool FRequired;
    QElapsedTimer FClock;
    QTimer FTimer;
};

// Turns the event loop until pred() holds; false on time-out (a safety
// limit, WaitLimitMs).
inline bool PumpUntil(const std::function<bool()>& pred, int timeoutMs = 20000)
{
    QElapsedTimer clock;
    clock.start();
    const int limit = WaitLimitMs(timeoutMs);
    while (!pred()) {
        if (clock.elapsed() > limit)
            return false;
        Pump(5);
    }
    return true;
}

// Answers a message box with OK and keeps what it said.
inline TModalStep BoxStep(TBoxSeen& seen)
{
    return OnModal<QMessageBox>([&seen](QMessageBox* box) {
        ++seen.Count;
        seen.Title = box->windowTitle();
        seen.Text = box->text();
        seen.Icon = box->icon();
        box->done(QMessageBox::Ok);
    });
}

// Answers the question asked before unsaved curves go ("新建", closing) with
// the button of that caption ("是", "否" or "取消").
inline TModalStep UnsavedStep(const QString& answer)
{
    return OnModal<QMessageBox>([answer](QMessageBox* box) {
        EXPECT_EQ(box->objectName(), QStringLiteral("UnsavedCurves"));
        EXPECT_EQ(box->text(), QStringLiteral("光谱尚未存盘，是否保存？"));
        for (QAbstractButton* b : box->buttons()) {
            if (b->text() == answer) {
                b->click();
                return;
            }
        }
        ADD_FAILURE() << "no button " << answer.toStdString();
        box->done(QMessageBox::Cancel);
    });
}

// Chooses `path` in the program's file dialog (empty: cancels it).
inline TModalStep FileStep(const QString& path)
{
    return OnModal<QFileDialog>([path](QFileDialog* d) {
        if (path.isEmpty()) {
            d->reject();
            return;
        }
        d->selectFile(path);
        static_cast<QDialog*>(d)->accept();
    });
}

class MainWindowFixture : public ::testing::Test {
protected:
    // The window is built and shown; `options` get the test's folder (with a
    // valid configuration unless `withConfig` is false) and no exit question
    // unless `confirmExit`.
    void OpenWindow(TForm1Options options, bool withConfig = true, bool confirmExit = false)
    {
        ASSERT_TRUE(Dir.isValid());
        SetDataFolder(Dir.path());
        if (withConfig) {
            ASSERT_TRUE(WriteConfig(QString::fromLatin1(kConfigFileName), TSysSettings{}));
        }
        options.ConfirmExit = confirmExit;
        options.DataFolder = Dir.path();
        Form = std::make_unique<TForm1>(options);
        Form->resize(1100, 750);
        Form->show();
        ASSERT_TRUE(PumpUntil([&] { return Form->Started(); }));
    }

    void TearDown() override
    {
        Form.reset();
        SetDataFolder(QString());
    }

    void Post(unsigned message, intptr_t w, intptr_t l)
    {
        QCoreApplication::postEvent(Form.get(), new TUmEvent(message, w, l));
    }

    QAction* Action(const char* name) { return Child<QAction>(Form.get(), name); }
    QString LabelText(const char* name) { return Child<QLabel>(Form.get(), name)->text(); }
    QLineEdit* Edit(const char* name) { return Child<QLineEdit>(Form.get(), name); }
    QString Panel0() { return Child<QLabel>(Form.get(), "StatusPanel0")->text(); }
    QString Path(const QString& name) const { return Dir.filePath(name); }

    // A curve in the lowest free slot with a band around 2000 cm-1.
    TSpCurveZQ735* AddTestCurve()
    {
        TSpGraph735& g = *Form->Graph();
        const int slot = g.NewCurve();
        EXPECT_GE(slot, 0);
        TSpCurveZQ735* c = g.CurveAt(slot);
        const int n = c->GetInfo().Capacity;
        std::vector<float> v(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i)
            v[static_cast<size_t>(i)] = 90.0f - 60.0f / (1.0f + (i - n / 3) * (i - n / 3) / 400.0f);
        c->AppendData(v.data(), n);
        g.SetCurrent(slot);
        g.CurveChanged();
        Form->RebuildCurveList();
        return c;
    }

    // What a spectrum file keeps of the curve in a slot: texts, values and
    // the slot's record, byte for byte.
    std::vector<uint8_t> State(int slot)
    {
        std::vector<uint8_t> b;
        TSpCurveZQ735* c = Form->Graph()->CurveAt(slot);
        if (c == nullptr)
            return b;
        const TCurveInfo info = c->GetInfo();
        const auto* i = reinterpret_cast<const uint8_t*>(&info);
        b.insert(b.end(), i, i + 100);
        const auto* v = reinterpret_cast<const uint8_t*>(c->GetData());
        b.insert(b.end(), v, v + c->GetCount() * sizeof(float));
        const auto* p = reinterpret_cast<const uint8_t*>(Form->Model()->ParamsOfSlot(slot));
        b.insert(b.end(), p, p + sizeof(TMeasureParams));
        return b;
    }

    QTemporaryDir Dir;
    std::unique_ptr<TForm1> Form;
};
