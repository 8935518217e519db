#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include "GuiTestSupport.h"
#include "ui/DlgWaiting.h"
#include "ui/FormSysInitInfo.h"
#include "ui/FormSysReset.h"

namespace {

TEST(ResetRequestForState, FollowsTheInstrumentsStateChanges)
{
    struct Case {
        std::uint8_t old, s;
        int request;
    };
    const Case cases[] = {
        {0, 1, 5}, {5, 1, 5},                        // checking: the prompt without buttons
        {1, 2, 1}, {0, 2, 1}, {0, 5, 1}, {1, 5, 1},  // turned up: offer the reset
        {2, 2, 0}, {5, 2, 0}, {2, 5, 0}, {5, 5, 0},  // still there: nothing
        {2, 0, 3}, {5, 0, 3}, {1, 0, 3},             // lost or not found
        {0, 0, 0},                                   // idle loop, still nothing
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ResetRequestForState(c.old, c.s), c.request) << int(c.old) << " -> " << int(c.s);
    }
}

class DetectionPrompt : public ::testing::Test {
protected:
    QLabel* Text() { return Child<QLabel>(&Prompt, "Label1"); }
    QPushButton* OK() { return Child<QPushButton>(&Prompt, "btnOK"); }
    QPushButton* Cancel() { return Child<QPushButton>(&Prompt, "btnCancel"); }
    TFormSysReset Prompt;
};

TEST_F(DetectionPrompt, CheckingThenFoundTurnsTheOpenPromptIntoTheResetOffer)
{
    EXPECT_EQ(Prompt.windowTitle(), QStringLiteral("系统提示"));
    EXPECT_TRUE(Prompt.windowFlags() & Qt::WindowStaysOnTopHint);
    int nestedAnswer = -1;
    WhenModal<TFormSysReset>([&](TFormSysReset* p) {
        EXPECT_EQ(p->Mode(), 0);
        EXPECT_TRUE(p->Showing());
        EXPECT_TRUE(Text()->text().startsWith(QStringLiteral("没有检测到光谱仪,请检查\n")));
        EXPECT_FALSE(OK()->isVisible());
        EXPECT_FALSE(Cancel()->isVisible());
        // While the instrument is looked for, the operator cannot close it.
        p->close();
        p->reject();
        EXPECT_TRUE(p->isVisible());
        // The answer (state 2) arrives while it is open: it only changes.
        nestedAnswer = p->ShowResetDialog(ResetRequestForState(1, 2));
        EXPECT_EQ(p->Mode(), 1);
        EXPECT_EQ(Text()->text(),
                  QStringLiteral("仪器已就绪,请按\"确定\"按钮进行系统复位\n按\"取消\"按钮不进行复位"));
        EXPECT_TRUE(OK()->isVisible());
        EXPECT_TRUE(Cancel()->isVisible());
        OK()->click();
    });
    EXPECT_EQ(Prompt.ShowResetDialog(ResetRequestForState(0, 1)), 1);  // the reset is requested once
    EXPECT_EQ(nestedAnswer, 0);
    EXPECT_FALSE(Prompt.Showing());
    EXPECT_FALSE(Prompt.isVisible());
}

TEST_F(DetectionPrompt, NotFoundOffersANewSearchWhichCancelDeclines)
{
    WhenModal<TFormSysReset>([&](TFormSysReset* p) {
        EXPECT_EQ(p->ShowResetDialog(ResetRequestForState(1, 0)), 0);
        EXPECT_EQ(p->Mode(), 3);
        EXPECT_EQ(Text()->text(), TFormSysReset::PromptText(0));
        EXPECT_TRUE(OK()->isVisible());
        Cancel()->click();
    });
    EXPECT_EQ(Prompt.ShowResetDialog(5), 0);
    EXPECT_FALSE(Prompt.Confirmed());

    WhenModal<TFormSysReset>([&](TFormSysReset*) { OK()->click(); });
    EXPECT_EQ(Prompt.ShowResetDialog(3), 3);  // a new connection check

    // In modes 1 and 3 the operator may simply close it: no answer.
    WhenModal<TFormSysReset>([&](TFormSysReset* p) { p->close(); });
    EXPECT_EQ(Prompt.ShowResetDialog(1), 0);
    EXPECT_FALSE(Prompt.isVisible());
}

TEST(ResetProgress, PhasesResultsAndTheHeldEnd)
{
    TFormSysInitInfo window;
    EXPECT_EQ(window.windowTitle(), QStringLiteral("系统初始化"));
    EXPECT_TRUE(window.NeedsReset());
    QElapsedTimer sinceEnd;
    bool visibleShortlyAfterEnd = false;
    WhenModal<TFormSysInitInfo>([&](TFormSysInitInfo* w) {
        EXPECT_FALSE(w->NeedsReset());
        EXPECT_TRUE(w->StepCaption(3)->isVisible());
        for (int kind : {1, 2, 4, 5}) {
            EXPECT_FALSE(w->StepCaption(kind)->isVisible()) << kind;
        }
        EXPECT_EQ(w->Progress()->maximum(), 1200);
        w->ShowResetProgress(1, 3, 500);
        w->ShowResetProgress(1, 3, 200);
        EXPECT_EQ(w->Progress()->value(), 700);
        w->ShowResetProgress(2, 3, 209);

        w->ShowResetProgress(0, 1, 32600);
        EXPECT_EQ(w->Progress()->maximum(), 32600);
        EXPECT_EQ(w->Progress()->value(), 0);
        EXPECT_TRUE(w->StepCaption(1)->isVisible());
        EXPECT_EQ(w->StepCaption(1)->text(), QStringLiteral("波 长 复 位 ："));
        w->ShowResetProgress(1, 0, 800);
        w->ShowResetProgress(2, 1, 210);  // the grating never left its sensor
        w->ShowResetProgress(3, 0, 210);
        sinceEnd.start();
        EXPECT_EQ(w->StepResult(3)->text(), QStringLiteral("正确"));
        EXPECT_EQ(w->StepResult(1)->text(), QStringLiteral("错误"));
        EXPECT_TRUE(w->StepResult(2)->text().isEmpty());
        EXPECT_FALSE(w->StepCaption(5)->isVisible());  // the light-source row is never shown
        EXPECT_TRUE(w->NeedsReset());
        QTimer::singleShot(300, w, [&] { visibleShortlyAfterEnd = window.isVisible(); });
    });
    window.ShowResetProgress(0, 3, 1200);  // returns when the window has closed
    const qint64 held = sinceEnd.elapsed();
    EXPECT_TRUE(visibleShortlyAfterEnd);
    EXPECT_FALSE(window.isVisible());
    EXPECT_GE(held, 900);
    EXPECT_LT(held, ScaledMs(5000));

    // The next reset starts from a clean window.
    WhenModal<TFormSysInitInfo>([&](TFormSysInitInfo* w) {
        EXPECT_TRUE(w->StepResult(1)->text().isEmpty());
        EXPECT_TRUE(w->StepResult(3)->text().isEmpty());
        EXPECT_FALSE(w->StepCaption(1)->isVisible());
        EXPECT_TRUE(w->StepCaption(3)->isVisible());
        EXPECT_EQ(w->Progress()->value(), 0);
        w->ShowResetProgress(2, 3, -2);
        EXPECT_EQ(w->StepResult(3)->text(), QStringLiteral("错误"));
        w->ShowResetProgress(3, 0, -2);
    });
    window.ShowResetProgress(0, 3, 1200);
    EXPECT_FALSE(window.isVisible());
}

TEST(ResetProgress, OperatorCannotCloseItAndDetailsToggleTheHeight)
{
    TFormSysInitInfo window;
    auto* details = Child<QPushButton>(&window, "Button1");
    ASSERT_NE(details, nullptr);
    EXPECT_EQ(details->text(), QStringLiteral("细节"));
    EXPECT_EQ(window.height(), 120);
    details->click();
    EXPECT_EQ(details->text(), QStringLiteral("隐藏"));
    EXPECT_EQ(window.height(), 300);
    details->click();
    EXPECT_EQ(details->text(), QStringLiteral("细节"));
    EXPECT_EQ(window.height(), 120);

    WhenModal<TFormSysInitInfo>([](TFormSysInitInfo* w) {
        w->close();
        w->reject();
        EXPECT_TRUE(w->isVisible());
        w->ShowResetProgress(3, 0, 0);
    });
    window.ShowResetProgress(0, 4, 200);
    EXPECT_FALSE(window.isVisible());
}

TEST(Waiting, CountsDownAndClosesOnlyWhenTheWorkerEndsIt)
{
    TDlgWaiting dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("系统提示"));
    auto* remaining = Child<QLabel>(&dialog, "lbRemT");
    ASSERT_NE(remaining, nullptr);
    QStringList shown;
    WhenModal<TDlgWaiting>([&](TDlgWaiting* d) {
        shown << remaining->text();
        d->StartWaiting(30);  // a second start while open changes nothing
        EXPECT_EQ(d->Remaining(), 10);
        for (int i = 0; i < 9; ++i) {
            d->TickWaiting(-1);
            shown << remaining->text();
        }
        d->close();
        d->reject();
        EXPECT_TRUE(d->isVisible());
        d->EndWaiting();
    });
    dialog.StartWaiting(10);
    EXPECT_EQ(shown, QStringList({"10", "9", "8", "7", "6", "5", "4", "3", "2", "1"}));
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_FALSE(dialog.Showing());

    // It can be opened again afterwards.
    WhenModal<TDlgWaiting>([&](TDlgWaiting* d) {
        EXPECT_EQ(remaining->text(), QStringLiteral("5"));
        d->EndWaiting();
    });
    dialog.StartWaiting(5);
    EXPECT_FALSE(dialog.isVisible());
}

}  // namespace
