// The whole program with the adapter present and the instrument silent
// (the simulated instrument swallows every byte): the window keeps
// answering, and the worker's error boxes reach the operator.

#include <QMessageBox>
#include <cstdio>

#include "MainWindowFixture.h"
#include "sim/SimPtyHost.h"
#include "ui/FormSysReset.h"

namespace {

class SilentInstrument : public MainWindowFixture {
protected:
    void SetUp() override
    {
        TSimOptions o;
        o.Speed = 40.0;
        o.Fault = "silent";
        Sim = std::make_unique<TSimPtyHost>(o);
        std::string error;
        ASSERT_TRUE(Sim->Start(&error)) << error;
    }

    void TearDown() override
    {
        MainWindowFixture::TearDown();
        Sim.reset();
    }

    void Open()
    {
        TForm1Options options;
        options.FixedDevice = Sim->DevicePath();
        OpenWindow(options);
    }

    // The connection check's failure as the worker shows it: the box must be
    // the window the operator faces, above the detection prompt.
    TModalStep ErrorBoxAbovePrompt(int& seen)
    {
        return OnModal<QMessageBox>([this, &seen](QMessageBox* box) {
            ++seen;
            TFormSysReset& prompt = Form->FormSysReset();
            EXPECT_EQ(box->text(), QStringLiteral("Cmd_Connect 握手错误-104"));
            EXPECT_TRUE(prompt.Showing());
            EXPECT_EQ(QApplication::activeModalWidget(), box);
            // Its own window stacked over the prompt, which stays on top of
            // every other window: a transient of the prompt that stays on top too.
            EXPECT_EQ(box->parentWidget(), &prompt);
            EXPECT_TRUE(box->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
            box->done(QMessageBox::Ok);
        });
    }

    // The prompt after the failed check (mode 3), answered with `button`.
    static TModalStep PromptAnswer(const char* button)
    {
        return [button](QWidget* top) {
            auto* p = qobject_cast<TFormSysReset*>(top);
            if (p == nullptr || p->Mode() != 3)
                return false;
            Click(p, button);
            return true;
        };
    }

    std::unique_ptr<TSimPtyHost> Sim;
};

TEST_F(SilentInstrument, TheErrorBoxComesAboveTheDetectionPromptOnEveryTry)
{
    int boxes = 0;
    TModalScript script({ErrorBoxAbovePrompt(boxes), PromptAnswer("btnOK"),  // search again
                         ErrorBoxAbovePrompt(boxes), PromptAnswer("btnCancel")},
                        20000);
    Open();
    ASSERT_TRUE(PumpUntil([&] { return script.Done(); }, 30000));
    EXPECT_EQ(boxes, 2);
    // Answered: the prompt has closed and nothing waits for the operator.
    EXPECT_TRUE(PumpUntil([&] { return QApplication::activeModalWidget() == nullptr; }, 2000));
    EXPECT_FALSE(Form->FormSysReset().Showing());
}

// "停止" and closing the window while the worker waits for the silent
// instrument's echo (two seconds at a time, holding the command lock): the
// window thread never waits for it.
TEST_F(SilentInstrument, StopAndClosingNeverStallTheWindowThread)
{
    int boxes = 0;
    TModalScript startUp({ErrorBoxAbovePrompt(boxes), PromptAnswer("btnCancel")}, 20000);
    Open();
    ASSERT_TRUE(PumpUntil([&] { return startUp.Done() && QApplication::activeModalWidget() == nullptr; }, 30000));
    // The idle passes go on looking for the instrument: each spends about two
    // seconds in the echo wait of its connect command.
    Pump(300);

    TGapProbe probe;
    probe.Start();
    // Presses spread over more than one echo wait, so that most land in one.
    for (int i = 0; i < 6; ++i) {
        Action("tbStop")->trigger();
        Pump(400);
    }
    const qint64 stopGap = probe.Stop();

    probe.Start();
    Form->close();
    const qint64 closeGap = probe.Stop();
    EXPECT_TRUE(Form->isHidden());

    std::printf("[ measure  ] silent instrument: longest window-thread gap %lld ms while stop was pressed, "
                "%lld ms while closing\n",
                static_cast<long long>(stopGap), static_cast<long long>(closeGap));
    RecordProperty("stop_gap_ms", static_cast<int>(stopGap));
    RecordProperty("close_gap_ms", static_cast<int>(closeGap));
    // A wait for the worker would take most of its two-second echo wait; the
    // bound is generous so that a loaded machine does not fail the test.
    EXPECT_LT(stopGap, ScaledMs(500));
    EXPECT_LT(closeGap, ScaledMs(500));
}

}  // namespace
