// The processing commands of the main window, driven as the operator drives
// them: a scanned polystyrene film converted to Abs and back, every command
// taken back with "撤销", and the processing dialogs with their messages.

#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <cmath>
#include <cstring>

#include "MainWindowFixture.h"
#include "text/GbkText.h"
#include "ui/CurvePicker.h"
#include "ui/CurveSelector.h"
#include "ui/DelCurve1.h"
#include "ui/DlgInKeDu.h"
#include "ui/DlgInputOne.h"
#include "ui/DlgSiZe1.h"
#include "ui/FormCurveAttr.h"
#include "ui/SpDlgAdjBKK.h"

namespace {

// A scan of the simulated polystyrene film, 4000 -> 400 cm-1, as
// `zq735-cli --simulate --sim-speed 50 reset scan -o polystyrene.ir` makes it.
const QString kPolystyrene = QStringLiteral(ZQ735_TEST_DATA "/samples/polystyrene.ir");

// Presses a button once the modal step that asks for it has returned: a
// message box it opens runs its own loop, and the script can only answer
// that box from outside the step.
void ClickLater(QWidget* dialog, const char* button)
{
    QTimer::singleShot(0, dialog, [dialog, button] { Click(dialog, button); });
}

class ProcessingWindow : public MainWindowFixture {
protected:
    void SetUp() override
    {
        TForm1Options options;
        options.StartWorker = false;
        OpenWindow(options);
    }

    void OpenPolystyrene()
    {
        TModalScript open({FileStep(kPolystyrene)});
        Action("mnOpen")->trigger();
        ASSERT_TRUE(open.Done());
        Pump(10);
        ASSERT_NE(Form->Graph()->CurrentCurve(), nullptr);
    }

    TSpCurveZQ735* Current() { return Form->Graph()->CurrentCurve(); }
    const TMeasureParams& CurrentParams() { return *Form->Model()->ParamsOfSlot(Form->Graph()->CurrentIndex()); }
};

TEST_F(ProcessingWindow, PolystyreneToAbsAndBackAndEveryCommandUndone)
{
    OpenPolystyrene();
    const int slot = Form->Graph()->CurrentIndex();
    const std::vector<float> t(Current()->GetData(), Current()->GetData() + Current()->GetCount());
    ASSERT_GT(t.size(), 1000u);
    const std::vector<uint8_t> original = State(slot);
    EXPECT_FALSE(Action("mnUndo")->isEnabled());
    EXPECT_EQ(Action("mnUndo")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Z));

    // %T -> Abs from the tool bar: the film's strong bands rise above 1.0.
    Action("tbTtoA")->trigger();
    EXPECT_EQ(CurrentParams().Mode, 1);
    EXPECT_EQ(GbkFieldToUtf8(Current()->GetInfo().YTitle), "吸光度");
    EXPECT_EQ(Form->Graph()->YViewFrom, -2.0f);
    EXPECT_EQ(Form->Graph()->YViewTo, 2.0f);
    const float* a = Current()->GetData();
    int strong = 0;
    for (size_t i = 0; i < t.size(); ++i)
        strong += a[i] > 1.0f;
    EXPECT_GT(strong, 5);
    EXPECT_TRUE(Action("mnUndo")->isEnabled());
    const std::vector<uint8_t> absorbance = State(slot);

    // And back from the menu: the original within float rounding.
    Action("mnTtoA")->trigger();
    EXPECT_EQ(CurrentParams().Mode, 0);
    for (size_t i = 0; i < t.size(); ++i)
        ASSERT_NEAR(Current()->GetData()[i], t[i], 1e-5 * std::fabs(t[i]) + 1e-7) << i;

    // Each undo gives back the exact bytes before the command.
    Action("mnUndo")->trigger();
    EXPECT_EQ(State(slot), absorbance);
    Action("mnUndo")->trigger();
    EXPECT_EQ(State(slot), original);
    EXPECT_EQ(Form->Graph()->YViewTo, 102.0f);  // the view the file was opened with
    EXPECT_FALSE(Action("mnUndo")->isEnabled());

    // Smoothing, derivatives, expansion, arithmetic, attributes: one by one,
    // each undone at once.
    struct TCommand {
        const char* Name;
        std::function<void()> Run;
    };
    const TCommand commands[] = {
        {"smooth", [&] { Action("tbPingHua")->trigger(); }},
        {"second derivative", [&] { Action("mnWeiFen2")->trigger(); }},
        {"absorption expansion",
         [&] {
             TModalScript s({OnModal<TDlgInputOne>([](TDlgInputOne* d) {
                 EXPECT_EQ(d->windowTitle(), QStringLiteral("请输入吸收系数"));
                 d->Edit()->setText(QStringLiteral("0.25"));
                 Click(d, "btnOK");
             })});
             Action("mnXiShouKZ")->trigger();
             EXPECT_TRUE(s.Done());
         }},
        {"arithmetic",
         [&] {
             TModalScript s({OnModal<TDlgSiZe1>([](TDlgSiZe1* d) {
                 Child<QRadioButton>(d, "rbConst")->click();
                 Child<QComboBox>(d, "cbArithmetic")->setCurrentIndex(1);
                 Child<QLineEdit>(d, "edConst")->setText(QStringLiteral("3.5"));
                 Click(d, "btnOK");
             })});
             Action("mnSiZe")->trigger();
             EXPECT_TRUE(s.Done());
         }},
        {"attributes",
         [&] {
             TModalScript s({OnModal<TFormCurveAttr>([](TFormCurveAttr* d) {
                 Child<QLineEdit>(d, "edCurveName")->setText(QStringLiteral("薄膜"));
                 Child<QLineEdit>(d, "edPihao")->setText(QStringLiteral("PS-1"));
                 Child<QPlainTextEdit>(d, "moNote")->setPlainText(QStringLiteral("第一行\n第二行"));
                 Click(d, "btnOK");
             })});
             Action("N4")->trigger();
             EXPECT_TRUE(s.Done());
         }},
    };
    for (const TCommand& c : commands) {
        c.Run();
        EXPECT_NE(State(slot), original) << c.Name;
        EXPECT_TRUE(Action("mnUndo")->isEnabled()) << c.Name;
        Action("mnUndo")->trigger();
        EXPECT_EQ(State(slot), original) << c.Name;
    }
    // The attributes were written and shown before they were taken back.
    EXPECT_EQ(Edit("edCurveName")->text(), QString::fromStdString(GbkFieldToUtf8(Current()->GetInfo().Name)));

    // Opening a file leaves nothing to undo.
    Action("mnPingHua")->trigger();
    EXPECT_TRUE(Action("mnUndo")->isEnabled());
    OpenPolystyrene();
    EXPECT_FALSE(Action("mnUndo")->isEnabled());
    EXPECT_FALSE(Form->Undo()->CanUndo());
}

TEST_F(ProcessingWindow, ConversionRefusedForAnEnergySpectrum)
{
    AddTestCurve();
    TSpCurveZQ735* energy = AddTestCurve();
    Form->Model()->ParamsOfSlot(Form->Graph()->IndexOfCurve(energy))->Mode = 2;
    const float e0 = energy->GetData()[10];
    TBoxSeen seen;
    TModalScript s({BoxStep(seen)});
    Action("mnTtoA")->trigger();
    ASSERT_TRUE(s.Done());
    EXPECT_EQ(seen.Text, QStringLiteral("无法进行 透过率<-->吸光度 转换"));
    EXPECT_EQ(energy->GetData()[10], e0);
    EXPECT_EQ(Form->Graph()->YViewTo, 102.0f);  // not rescaled
    // The first curve was converted before the refusal; undo takes it back.
    EXPECT_EQ(Form->Model()->ParamsOfSlot(0)->Mode, 1);
    Action("mnUndo")->trigger();
    EXPECT_EQ(Form->Model()->ParamsOfSlot(0)->Mode, 0);
}

TEST_F(ProcessingWindow, ScaleExpansionReportsEveryFaultAtOnce)
{
    AddTestCurve();
    struct {
        const char* Xs;
        const char* Xe;
        const char* Ys;
        const char* Ye;
        QString Text;
    } const faults[] = {
        {"4000", "4500", "0", "100",
         QStringLiteral("X坐标超出范围 4000.0 - 400.0 cm-1\n\n\n光谱扫描方式下 横坐标的起始不能小于终止")},
        {"3000", "1000", "50", "20", QStringLiteral("\n\n纵坐标 起始不能大于终止\n")},
        {"3000", "1000", "-500", "20", QStringLiteral("\nY坐标超出范围 -400.0 - 400.0 %\n\n")},
    };
    std::vector<TModalStep> steps;
    std::vector<TBoxSeen> seen(std::size(faults));
    bool shownFirst = false;
    for (size_t i = 0; i < std::size(faults); ++i) {
        steps.push_back(OnModal<TDlgInKeDu>([&, i](TDlgInKeDu* d) {
            if (i == 0) {
                EXPECT_EQ(d->windowTitle(), QStringLiteral("刻度扩展"));
                EXPECT_EQ(Child<QLineEdit>(d, "EditHL")->text(), QStringLiteral("4000.0"));
                EXPECT_EQ(Child<QLineEdit>(d, "EditZH")->text(), QStringLiteral("102.0"));
                shownFirst = true;
            }
            Child<QLineEdit>(d, "EditHL")->setText(QString::fromLatin1(faults[i].Xs));
            Child<QLineEdit>(d, "EditHH")->setText(QString::fromLatin1(faults[i].Xe));
            Child<QLineEdit>(d, "EditZL")->setText(QString::fromLatin1(faults[i].Ys));
            Child<QLineEdit>(d, "EditZH")->setText(QString::fromLatin1(faults[i].Ye));
            ClickLater(d, "btnOK");
        }));
        steps.push_back(BoxStep(seen[i]));
    }
    steps.push_back(OnModal<TDlgInKeDu>([](TDlgInKeDu* d) {
        Child<QLineEdit>(d, "EditHL")->setText(QStringLiteral("3000"));
        Child<QLineEdit>(d, "EditHH")->setText(QStringLiteral("1000"));
        Child<QLineEdit>(d, "EditZL")->setText(QStringLiteral("10"));
        Child<QLineEdit>(d, "EditZH")->setText(QStringLiteral("80"));
        Click(d, "btnOK");
    }));
    TModalScript script(std::move(steps));
    Action("mnKeduKZ")->trigger();
    ASSERT_TRUE(script.Done());
    EXPECT_TRUE(shownFirst);
    for (size_t i = 0; i < std::size(faults); ++i) {
        EXPECT_EQ(seen[i].Title, QStringLiteral("输入的坐标范围不正确")) << i;
        EXPECT_EQ(seen[i].Text, faults[i].Text) << i;
        EXPECT_EQ(seen[i].Icon, QMessageBox::Warning) << i;
    }
    EXPECT_EQ(Form->Graph()->XViewFrom, 3000.0f);
    EXPECT_EQ(Form->Graph()->XViewTo, 1000.0f);
    EXPECT_EQ(Edit("EditWs")->text(), QStringLiteral("3000.0"));
    EXPECT_EQ(Edit("EditYe")->text(), QStringLiteral("80.0"));
}

TEST_F(ProcessingWindow, ArithmeticDialogRefusesAndExplains)
{
    // No curves: nothing to choose, nothing to press.
    TModalScript empty({OnModal<TDlgSiZe1>([](TDlgSiZe1* d) {
        EXPECT_FALSE(Child<QPushButton>(d, "btnOK")->isEnabled());
        for (const char* name : {"lbCurveName1", "lbCurMMode1", "lbCurRTime1", "lbCurveName2", "lbCurSlit2"}) {
            EXPECT_EQ(Child<QLabel>(d, name)->text(), QStringLiteral("(空)")) << name;
            EXPECT_FALSE(Child<QLabel>(d, name)->isEnabled()) << name;
        }
        Click(d, "btnCancel");
    })});
    Action("mnSiZe")->trigger();
    ASSERT_TRUE(empty.Done());

    TSpCurveZQ735* sample = AddTestCurve();
    TSpCurveZQ735* other = AddTestCurve();
    const int s1 = Form->Graph()->IndexOfCurve(sample);
    const int s2 = Form->Graph()->IndexOfCurve(other);
    Form->Model()->ParamsOfSlot(s2)->Speed = 4;
    const std::vector<uint8_t> before = State(s1);

    TBoxSeen tooSmall, differ;
    TModalScript script({
        OnModal<TDlgSiZe1>([](TDlgSiZe1* d) {
            EXPECT_EQ(d->windowTitle(), QStringLiteral("谱线四则运算"));
            EXPECT_EQ(Child<QLineEdit>(d, "edConst")->text(), QStringLiteral("100.0"));
            EXPECT_FALSE(Child<QLineEdit>(d, "edConst")->isEnabled());
            EXPECT_EQ(Child<QLabel>(d, "lbCurMMode1")->text(), QStringLiteral("透过率(%T)"));
            EXPECT_EQ(Child<QLabel>(d, "lbCurScanSpeed1")->text(), QStringLiteral("正常(1cm-1)"));
            Child<QRadioButton>(d, "rbConst")->click();
            EXPECT_EQ(Child<QLabel>(d, "lbCurveName2")->text(), QStringLiteral("(空)"));
            Child<QComboBox>(d, "cbArithmetic")->setCurrentIndex(3);
            Child<QLineEdit>(d, "edConst")->setText(QStringLiteral("0.00000005"));
            ClickLater(d, "btnOK");
        }),
        BoxStep(tooSmall),
        OnModal<TDlgSiZe1>([](TDlgSiZe1* d) {
            Child<QRadioButton>(d, "rbCurve")->click();
            EXPECT_EQ(Child<QLabel>(d, "lbCurveName2")->text(), QStringLiteral("未命名"));
            d->Second()->Combo()->setCurrentIndex(1);
            d->Second()->Combo()->activated(1);
            EXPECT_EQ(Child<QLabel>(d, "lbCurScanSpeed2")->text(), QStringLiteral("很慢(0.2cm-1)"));
            ClickLater(d, "btnOK");
        }),
        BoxStep(differ),
        OnModal<TDlgSiZe1>([](TDlgSiZe1* d) {
            // The curve with itself: subtracted, all zero.
            d->Second()->Combo()->setCurrentIndex(0);
            Child<QComboBox>(d, "cbArithmetic")->setCurrentIndex(1);
            Click(d, "btnOK");
        }),
    });
    Action("mnSiZe")->trigger();
    ASSERT_TRUE(script.Done());
    EXPECT_EQ(tooSmall.Text, QStringLiteral("除数太小，不能进行运算"));
    EXPECT_EQ(differ.Text, QStringLiteral("波数范围不一样\n或扫描速度不一样\n无法进行运算"));
    for (int i = 0; i < sample->GetCount(); ++i)
        ASSERT_EQ(sample->GetData()[i], 0.0f) << i;
    Action("mnUndo")->trigger();
    EXPECT_EQ(State(s1), before);
}

TEST_F(ProcessingWindow, BaselinePositionShowsAndSetsTheFullScaleCoefficient)
{
    TModalScript script({
        OnModal<TSpDlgAdjBKK>([](TSpDlgAdjBKK* d) {
            EXPECT_EQ(d->windowTitle(), QStringLiteral("调整基线位置"));
            EXPECT_EQ(d->PositionLabel()->text(), QStringLiteral("当前基线位置100.0%"));
            EXPECT_EQ(d->Edit()->text(), QStringLiteral("100.0000"));
            d->Edit()->setText(QStringLiteral("90"));
            Click(d, "btnCancel");
        }),
        OnModal<TSpDlgAdjBKK>([](TSpDlgAdjBKK* d) {
            EXPECT_EQ(d->Edit()->text(), QStringLiteral("100.0000"));
            d->Edit()->setText(QStringLiteral("97.5"));
            Click(d, "btnOK");
        }),
        OnModal<TSpDlgAdjBKK>([](TSpDlgAdjBKK* d) {
            EXPECT_EQ(d->PositionLabel()->text(), QStringLiteral("当前基线位置97.5%"));
            Click(d, "btnCancel");
        }),
    });
    Action("muAdjBK")->trigger();
    EXPECT_EQ(Form->Model()->SystemBlock().FullCoef, 100.0f);
    Action("muAdjBK")->trigger();
    EXPECT_EQ(Form->Model()->SystemBlock().FullCoef, 97.5f);
    Action("muAdjBK")->trigger();
    ASSERT_TRUE(script.Done());
    EXPECT_EQ(Form->Model()->SystemBlock().FullCoef, 97.5f);
}

TEST_F(ProcessingWindow, AttributesAreCutToTheirFieldsAndCancelChangesNothing)
{
    // No curve: everything "(空)" and off; OK changes nothing.
    TModalScript none({OnModal<TFormCurveAttr>([](TFormCurveAttr* d) {
        EXPECT_EQ(Child<QLineEdit>(d, "edCurveName")->text(), QStringLiteral("(空)"));
        EXPECT_FALSE(Child<QLineEdit>(d, "edPihao")->isEnabled());
        EXPECT_EQ(Child<QLabel>(d, "lbCurMMode")->text(), QStringLiteral("(空)"));
        EXPECT_EQ(Child<QPlainTextEdit>(d, "moNote")->toPlainText(), QStringLiteral("(空)"));
        Click(d, "btnOK");
    })});
    Action("N4")->trigger();
    ASSERT_TRUE(none.Done());

    TSpCurveZQ735* c = AddTestCurve();
    const int slot = Form->Graph()->IndexOfCurve(c);
    const std::vector<uint8_t> before = State(slot);
    TModalScript cancel({OnModal<TFormCurveAttr>([](TFormCurveAttr* d) {
        EXPECT_EQ(Child<QLabel>(d, "lbNote")->text(), QStringLiteral("注释（500个字符）"));
        EXPECT_EQ(Child<QLineEdit>(d, "edCurveName")->text(), QStringLiteral("未命名"));
        Child<QLineEdit>(d, "edCurveName")->setText(QStringLiteral("x"));
        Child<QPlainTextEdit>(d, "moNote")->setPlainText(QStringLiteral("y"));
        Click(d, "btnCancel");
    })});
    Action("N4")->trigger();
    ASSERT_TRUE(cancel.Done());
    EXPECT_EQ(State(slot), before);
    EXPECT_FALSE(Action("mnUndo")->isEnabled());

    struct {
        QString Note, Batch;
        std::string StoredNote, StoredBatch;
    } const cases[] = {
        // 600 characters: the first 499 are kept (the line's CR LF is cut off too);
        // UTF-8 below, GBK in the record.
        {QString(600, u'n'), QStringLiteral("B"), std::string(499, 'n'), "B"},
        // Two lines, each closed by CR LF.
        {QStringLiteral("一\n二"), QString(), "一\r\n二\r\n", ""},
        // Double-byte characters are never split: 249 of them fill 498 bytes.
        {QString(300, u'注'), QString(80, u'批'), QString(249, u'注').toStdString(),
         QString(74, u'批').toStdString()},
    };
    for (const auto& k : cases) {
        TModalScript edit({OnModal<TFormCurveAttr>([&k](TFormCurveAttr* d) {
            Child<QPlainTextEdit>(d, "moNote")->setPlainText(k.Note);
            Child<QLineEdit>(d, "edPihao")->setText(k.Batch);
            Click(d, "btnOK");
        })});
        Action("N4")->trigger();
        ASSERT_TRUE(edit.Done());
        const TMeasureParams& p = *Form->Model()->ParamsOfSlot(slot);
        EXPECT_EQ(GbkFieldToUtf8(p.Note), k.StoredNote);
        EXPECT_EQ(GbkFieldToUtf8(p.BatchNo), k.StoredBatch);
    }
}

TEST_F(ProcessingWindow, DeletionDialogAndUndoBringTheCurvesBack)
{
    TSpCurveZQ735* first = AddTestCurve();
    TSpCurveZQ735* second = AddTestCurve();
    const int s1 = Form->Graph()->IndexOfCurve(first);
    const int s2 = Form->Graph()->IndexOfCurve(second);
    const uint32_t color2 = second->GetColor();
    SetGbkField(Form->Model()->ParamsOfSlot(s2)->BatchNo, "二号");
    const std::vector<uint8_t> state1 = State(s1), state2 = State(s2);
    ASSERT_EQ(Form->Graph()->CurrentIndex(), s2);

    TModalScript script({OnModal<TDelCurve1>([&](TDelCurve1* d) {
        EXPECT_EQ(d->windowTitle(), QStringLiteral("删除曲线"));
        auto* del = Child<QPushButton>(d, "btnDel");
        // The second entry is the current curve: deleted, the first becomes current.
        d->Picker()->Combo()->setCurrentIndex(1);
        d->Picker()->Combo()->activated(1);
        EXPECT_EQ(Child<QLabel>(d, "lbCurveName1")->text(), QStringLiteral("未命名"));
        del->click();
        EXPECT_EQ(Form->Graph()->CurrentIndex(), s1);
        EXPECT_EQ(d->Picker()->Count(), 1);
        del->click();
        EXPECT_EQ(Form->Graph()->CurrentIndex(), -1);
        EXPECT_FALSE(del->isEnabled());
        EXPECT_EQ(Child<QLabel>(d, "lbCurMMode1")->text(), QStringLiteral("(空)"));
        Click(d, "btnOK");
    })});
    Action("mnDelCurve")->trigger();
    ASSERT_TRUE(script.Done());
    Pump(10);
    EXPECT_EQ(Child<QComboBox>(Form.get(), "cbCurve")->count(), 0);

    // Back in reverse order, each into its own slot with record and colour.
    Action("mnUndo")->trigger();
    EXPECT_EQ(State(s1), state1);
    Action("mnUndo")->trigger();
    EXPECT_EQ(State(s2), state2);
    EXPECT_EQ(Form->Graph()->CurveAt(s2)->GetColor(), color2);
    EXPECT_EQ(Form->Graph()->CurrentIndex(), s2);
    EXPECT_EQ(Child<QComboBox>(Form.get(), "cbCurve")->count(), 2);
    EXPECT_FALSE(Action("mnUndo")->isEnabled());

    // The panel's "删除" is undone the same way; "新建" clears the stack.
    Click(Form.get(), "Button2");
    Pump(10);
    EXPECT_TRUE(Action("mnUndo")->isEnabled());
    TModalScript discard({UnsavedStep(QStringLiteral("否"))});
    Action("mnNew")->trigger();
    EXPECT_TRUE(discard.Done());
    Pump(10);
    EXPECT_FALSE(Action("mnUndo")->isEnabled());
}

TEST_F(ProcessingWindow, NothingIsProcessedWhileATaskRunsAndANewScanKeepsUndo)
{
    TSpCurveZQ735* c = AddTestCurve();
    const int slot = Form->Graph()->IndexOfCurve(c);
    Action("mnPingHua")->trigger();
    ASSERT_TRUE(Action("mnUndo")->isEnabled());
    const std::vector<uint8_t> smoothed = State(slot);

    // A task runs (a scan appending to a curve): the tool buttons that change
    // curves are off like the menu, and their commands do nothing.
    Post(UM_BUSY, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return Form->Busy(); }));
    for (const char* name : {"tbTtoA", "tbPingHua", "mnUndo", "mnTtoA"})
        EXPECT_FALSE(Action(name)->isEnabled()) << name;
    Form->OnConvertTA();
    Form->OnSmooth();
    Form->OnUndo();
    EXPECT_EQ(State(slot), smoothed);
    Post(UM_BUSY, 0, 1);
    ASSERT_TRUE(PumpUntil([&] { return !Form->Busy(); }));
    for (const char* name : {"tbTtoA", "tbPingHua", "mnUndo", "mnTtoA"})
        EXPECT_TRUE(Action(name)->isEnabled()) << name;

    // A scan's new curve beside it: what was done to this one can still be
    // taken back (undo knows its curves by identity, not by slot).
    Post(UM_CURVE_LIST, 0, slot);
    Pump(10);
    EXPECT_TRUE(Action("mnUndo")->isEnabled());
    EXPECT_TRUE(Form->Undo()->CanUndo());
}

}  // namespace
