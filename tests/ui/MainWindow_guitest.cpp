// The main window on its own: its engine is built but the worker never runs,
// so the requests the window makes stay pending in the task engine where the
// tests can see them.

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QMouseEvent>
#include <QPushButton>

#include "MainWindowFixture.h"
#include "tests/support/FullDisk.h"
#include "text/GbkText.h"
#include "ui/DlgInputOne.h"
#include "ui/DlgInputStr.h"
#include "ui/DlgSysSetting.h"
#include "ui/FormCanShu.h"
#include "ui/FormExit1.h"
#include "ui/FormPassWord.h"
#include "ui/FormSysReset.h"
#include "ui/PlotWidget.h"
#include "ui/RadioGroup.h"
#include "ui/StateIndicator.h"

namespace {

class MainWindowAlone : public MainWindowFixture {
protected:
    void SetUp() override
    {
        TForm1Options options;
        options.StartWorker = false;
        OpenWindow(options);
    }
    int Pending() { return Form->Task()->PendingCommand(); }
};

TEST_F(MainWindowAlone, StartsWithTheEmptyFrameAndNoInstrument)
{
    EXPECT_EQ(Form->windowTitle(), QStringLiteral("ZQ735红外分光光度计"));
    const TGraphView v = Form->Graph()->GetViewRange();
    EXPECT_EQ(v.XFrom, 4000.0f);
    EXPECT_EQ(v.XTo, 400.0f);
    EXPECT_EQ(v.CurveCount, 0);
    EXPECT_EQ(Edit("EditWs")->text(), QStringLiteral("4000.0"));
    EXPECT_EQ(Edit("edCurveName")->text(), QStringLiteral("(空)"));
    EXPECT_FALSE(Action("mnScan")->isEnabled());
    EXPECT_FALSE(Action("mnSysReset")->isEnabled());
    EXPECT_TRUE(Action("mnNew")->isEnabled());
    EXPECT_EQ(Child<TStateIndicator>(Form.get(), "StateIndicator")->Fill(), QColor(128, 128, 128));
    // The picture fills the plot.
    EXPECT_EQ(Form->Surface()->Width(), Form->Plot()->width());
    EXPECT_EQ(Form->Surface()->Height(), Form->Plot()->height());
    Form->EnableCommands();
    EXPECT_TRUE(Action("mnOpen")->isEnabled());
}

TEST_F(MainWindowAlone, MissingConfigurationIsReportedOnceAtStart)
{
    TearDown();
    QTemporaryDir empty;
    ASSERT_TRUE(empty.isValid());
    TBoxSeen seen;
    TModalScript script({BoxStep(seen)});
    TForm1Options options;
    options.StartWorker = false;
    options.ConfirmExit = false;
    options.DataFolder = empty.path();
    Form = std::make_unique<TForm1>(options);
    Form->show();
    ASSERT_TRUE(PumpUntil([&] { return Form->Started() && script.Done(); }));
    EXPECT_EQ(seen.Count, 1);
    EXPECT_EQ(seen.Text, QStringLiteral("无法读取系统参数，按默认值处理。"));
    EXPECT_EQ(Form->Model()->SystemBlock().MotorType, 1);
    EXPECT_FALSE(Form->DebugMode());
    // Showing the window again builds nothing again.
    TSpGraph735* graph = Form->Graph();
    Form->hide();
    Form->show();
    Pump(20);
    EXPECT_EQ(Form->Graph(), graph);
    EXPECT_EQ(seen.Count, 1);
}

TEST_F(MainWindowAlone, ClosingAsksFirstAndTearsTheEngineDown)
{
    TearDown();
    TForm1Options options;
    options.StartWorker = false;
    OpenWindow(options, true, true);
    TModalScript no({OnModal<TFormExit1>([](TFormExit1* d) { Click(d, "btnCancel"); })});
    EXPECT_FALSE(Form->close());
    EXPECT_TRUE(no.Done());
    EXPECT_TRUE(Form->isVisible());
    EXPECT_NE(Form->Model(), nullptr);
    TModalScript yes({OnModal<TFormExit1>([](TFormExit1* d) { Click(d, "btnOK"); })});
    EXPECT_TRUE(Form->close());
    EXPECT_TRUE(yes.Done());
    EXPECT_EQ(Form->Task(), nullptr);
    EXPECT_EQ(Form->Model(), nullptr);
    EXPECT_EQ(Form->Graph(), nullptr);
    // Late messages after the tear-down are dropped.
    Form->HandleMessage(UM_CURVE_LIST, 0, 0);
    Post(UM_STATE, 0, 2);
    Pump(20);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

// State messages in a row, the answer given in the detection prompt, and
// what the window then asks the engine for.
TEST_F(MainWindowAlone, StateMessagesOfferTheResetInOnePrompt)
{
    struct Case {
        std::vector<int> States;
        const char* Button;
        int ModeAnswered;
        int Request;
        int Indicator;  // last state, as the lamp shows it
    };
    const Case cases[] = {
        // Checking, then found: the open prompt turns into the reset offer.
        {{1, 2}, "btnOK", 1, CmdReset, 2},
        // Checking, then nothing: "取消" leaves everything as it is.
        {{1, 0}, "btnCancel", 3, CmdNone, 0},
        // An instrument that turns up later is offered the reset again.
        {{0, 5}, "btnOK", 1, CmdReset, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Button);
        // A fresh window for each sequence.
        TearDown();
        SetUp();
        int opened = 0;
        struct TShowCounter : QObject {
            int* Count;
            bool eventFilter(QObject*, QEvent* e) override
            {
                *Count += e->type() == QEvent::Show;
                return false;
            }
        } counter;
        counter.Count = &opened;
        Form->FormSysReset().installEventFilter(&counter);
        int mode = -1;
        TModalScript script({OnModal<TFormSysReset>([&](TFormSysReset* p) {
            // Every state message arrives while the prompt is open.
            PumpUntil([&] { return Form->StateMsgCount() == static_cast<int>(c.States.size()); });
            mode = p->Mode();
            Click(p, c.Button);
        })});
        for (int s : c.States)
            Post(UM_STATE, 0, s);
        ASSERT_TRUE(PumpUntil([&] { return script.Done() && QApplication::activeModalWidget() == nullptr; }));
        EXPECT_EQ(opened, 1);
        EXPECT_EQ(mode, c.ModeAnswered);
        EXPECT_EQ(Pending(), c.Request);
        EXPECT_EQ(Form->InstrumentState(), c.Indicator);
        EXPECT_EQ(Child<TStateIndicator>(Form.get(), "StateIndicator")->Fill(),
                  TForm1::IndicatorColor(c.Indicator));
        Form->FormSysReset().removeEventFilter(&counter);
    }
}

TEST_F(MainWindowAlone, StatesThatDoNotChangeBetweenPresentStatesOpenNothing)
{
    TModalScript script({OnModal<TFormSysReset>([](TFormSysReset* p) { Click(p, "btnOK"); })});
    Post(UM_STATE, 0, 2);  // found after start: offered once
    ASSERT_TRUE(PumpUntil([&] { return script.Done(); }));
    ASSERT_TRUE(PumpUntil([] { return QApplication::activeModalWidget() == nullptr; }));
    Post(UM_STATE, 0, 5);
    Post(UM_STATE, 0, 2);
    Post(UM_STATE, 0, 0xE0);  // a raw status byte after a present state
    ASSERT_TRUE(PumpUntil([&] { return Form->StateMsgCount() == 4; }));
    Pump(20);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(Form->InstrumentState(), 0xE0);
    EXPECT_EQ(Child<TStateIndicator>(Form.get(), "StateIndicator")->Fill(), QColor(0, 0, 0));
}

TEST_F(MainWindowAlone, InstrumentCommandsFollowStateAndDebugSwitch)
{
    struct Case {
        int State;
        bool Commands;
        bool Labels;
        bool SysReset;
    };
    const Case withoutDebug[] = {
        {0, false, false, false}, {1, false, false, true}, {2, false, false, true},
        {4, false, true, true},   {5, true, true, true},
    };
    for (const Case& c : withoutDebug) {
        Form->UpdateInstrumentCommands(c.State);
        for (const char* name : {"tbScan", "tbCanShu", "tbGotoWn", "mnCanShu", "mnScan", "mnBGScan",
                                 "mnBuild100", "mnGotoWn", "mnCalibrate"})
            EXPECT_EQ(Action(name)->isEnabled(), c.Commands) << name << " in state " << c.State;
        for (const char* name : {"lbCurrWn", "lbMMode", "lbScanSpeed", "lbSlit", "lbRTime"})
            EXPECT_EQ(Child<QLabel>(Form.get(), name)->isEnabled(), c.Labels)
                << name << " in state " << c.State;
        EXPECT_EQ(Action("mnSysReset")->isEnabled(), c.SysReset) << c.State;
    }

    // The debug switch through the settings command: the commands come on at
    // once, without an instrument.
    Form->UpdateInstrumentCommands(0);
    TBoxSeen saved;
    TModalScript script({
        OnModal<TFormPassWord>([](TFormPassWord* d) {
            Child<QLineEdit>(d, "EditPassWord")->setText(QStringLiteral("583194"));
            Click(d, "btnOK");
        }),
        OnModal<TDlgSysSetting>([](TDlgSysSetting* d) {
            Child<QCheckBox>(d, "CBDebug")->setChecked(true);
            Click(d, "btnOK");
        }),
        BoxStep(saved),
    });
    Action("N3")->trigger();
    ASSERT_TRUE(script.Done());
    EXPECT_EQ(saved.Text, QStringLiteral("系统参数存盘成功！"));
    EXPECT_TRUE(Form->DebugMode());
    EXPECT_EQ(Form->InstrumentState(), 0);
    EXPECT_TRUE(Action("mnScan")->isEnabled());
    EXPECT_TRUE(Action("tbGotoWn")->isEnabled());
    EXPECT_TRUE(Action("mnSysReset")->isEnabled());
    // Not stored: ZQ735.cfg carries the two instrument settings only.
    TSysSettings again;
    again.DebugMode = 0;
    ASSERT_TRUE(ReadConfig(QString::fromLatin1(kConfigFileName), again));
    EXPECT_EQ(again.DebugMode, 0);
}

TEST_F(MainWindowAlone, BusyKeepsStopAndLabelsButNotTheCommands)
{
    // A ready instrument without the reset prompt: state 5 after 5.
    Form->UpdateInstrumentCommands(5);
    Post(UM_BUSY, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return Form->Busy(); }));
    EXPECT_TRUE(Action("tbStop")->isEnabled());
    EXPECT_TRUE(Action("tbSysReset")->isEnabled());
    EXPECT_FALSE(Action("tbScan")->isEnabled());
    EXPECT_FALSE(Action("tbNew")->isEnabled());
    EXPECT_FALSE(Action("mnFile")->isEnabled());
    EXPECT_FALSE(Child<QComboBox>(Form.get(), "cbCurve")->isEnabled());
    EXPECT_TRUE(Child<QLabel>(Form.get(), "lbCurrWn")->isEnabled());
    // A repaint of the lamp re-applies the rules without switching the
    // commands on in the middle of a task.
    Child<TStateIndicator>(Form.get(), "StateIndicator")->repaint();
    EXPECT_FALSE(Action("tbScan")->isEnabled());

    Post(UM_BUSY, 0, 1);
    ASSERT_TRUE(PumpUntil([&] { return !Form->Busy(); }));
    EXPECT_TRUE(Action("mnFile")->isEnabled());
    EXPECT_TRUE(Action("tbNew")->isEnabled());
    EXPECT_EQ(Panel0(), QStringLiteral("请选择操作..."));
    EXPECT_FALSE(Action("muBKEmd")->isEnabled());  // no background baseline
}

TEST_F(MainWindowAlone, MessagesShowTheirValues)
{
    struct Case {
        unsigned Msg;
        intptr_t W, L;
        const char* Label;  // null: the status panel
        const char* Text;
    };
    const Case cases[] = {
        {UM_POSITION, 0, 40000, "lbCurrWn", "4000.0"},
        {UM_POSITION, 0, 19005, "lbCurrWn", "1900.5"},
        {UM_POSITION, 1, 373, "lbSSSteps", "373.0"},
        {UM_POSITION, 2, 143, "lbFSteps", "143.0"},
        {UM_POSITION, 4, 200, "lbZSteps", "200.0"},
        {UM_POSITION, 3, 999, "lbCurrWn", "1900.5"},  // no such motor: nothing changes
        {UM_READING, 160000, 451234, "lbCurrWn", "1600.0"},
        {UM_READING, 160000, 451234, "lbMVal", "45.1234"},
        {UM_READING, 250050, -12345, "lbMVal", "-1.2345"},
        {UM_STATUS_TEXT, 0, 1, nullptr, "正在进行系统复位...."},
        {UM_STATUS_TEXT, 0, 2, nullptr, "正在进行扫描..."},
        {UM_STATUS_TEXT, 0, 3, nullptr, "正在进行波数检索..."},
        {UM_STATUS_TEXT, 0, 0, nullptr, "请选择操作"},
        {UM_STATUS_TEXT, 0, 7, nullptr, ""},
        {UM_PARAMS, 0, 0, nullptr, "正在设置参数..."},
        {UM_PARAMS, 1, 1, nullptr, "设置参数完毕"},
        {UM_TASK_FAILED, 0, -11, nullptr, "有错误-11"},
    };
    for (const Case& c : cases) {
        Form->HandleMessage(c.Msg, c.W, c.L);
        const QString shown = c.Label != nullptr ? LabelText(c.Label) : Panel0();
        EXPECT_EQ(shown, QString::fromUtf8(c.Text)) << c.Msg << " " << c.W << " " << c.L;
    }
    EXPECT_EQ(Form->StatusText(), QStringLiteral("有错误-11"));
}

TEST_F(MainWindowAlone, ParameterMessagesShowTheModelsRecordAndBaselineNeedsItsKind)
{
    TMeasureParams p = Form->Model()->CurrentParams();
    p.Mode = 1;
    p.Speed = 4;
    p.Slit = 1;
    p.Response = 3;
    p.YEnd = 3.0f;
    Form->Model()->SetParams(p);
    Form->HandleMessage(UM_PARAMS, 1, 1);
    EXPECT_EQ(LabelText("lbMMode"), QStringLiteral("吸光度(Abs)"));
    EXPECT_EQ(LabelText("lbScanSpeed"), QStringLiteral("很慢(0.2cm-1)"));
    EXPECT_EQ(LabelText("lbSlit"), QStringLiteral("很宽"));
    EXPECT_EQ(LabelText("lbRTime"), QStringLiteral("慢"));

    Form->HandleMessage(UM_BASELINE, 0, 1);
    EXPECT_FALSE(Form->BaselineValid());
    Form->HandleMessage(UM_BASELINE, 1, 1);
    EXPECT_TRUE(Form->BaselineValid());
    EXPECT_TRUE(Action("muBKEmd")->isEnabled());
    Form->HandleMessage(UM_BASELINE, 1, 0);
    EXPECT_FALSE(Action("muBKEmd")->isEnabled());
}

TEST_F(MainWindowAlone, ApplyRangesChecksLimitsAndOrder)
{
    struct Case {
        uint8_t Mode, ScanMode;
        float ScanTime;
        const char *Xs, *Xe, *Ys, *Ye;
        const char* Message;  // null: applied
    };
    const Case cases[] = {
        {0, 0, 0, "4000", "400", "0", "100", nullptr},
        {0, 0, 0, "400", "4000", "0", "100", "\n\n\n光谱扫描方式下 横坐标的起始不能小于终止"},
        {0, 0, 0, "3000", "1000", "50", "10", "\n\n纵坐标 起始不能大于终止\n"},
        {1, 0, 0, "4000", "400", "0", "5", "\nY坐标超出范围 -4.0 -  4.0 A\n\n"},
        {0, 0, 0, "4000", "400", "0", "102", nullptr},
        {0, 0, 0, "4000.1", "300", "-401", "0",
         "X坐标超出范围 4000.0 - 400.0 cm-1\nY坐标超出范围 -400.0 - 400.0 %\n\n"},
        {0, 2, 60, "0", "60", "0", "100", nullptr},
        {0, 2, 60, "0", "61", "0", "100", "X坐标超出范围 60.0 -  0.0 秒\n\n\n"},
        {0, 2, 60, "50", "10", "0", "100", "\n\n\n时间驱动扫描方式下 横坐标的起始不能大于终止"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.Xs) + " " + c.Xe + " " + c.Ys + " " + c.Ye);
        TMeasureParams p = Form->Model()->CurrentParams();
        p.Mode = c.Mode;
        p.ScanMode = c.ScanMode;
        p.ScanTime = c.ScanTime;
        p.XStart = c.ScanMode == 2 ? 0.0f : 4000.0f;
        p.XEnd = c.ScanMode == 2 ? c.ScanTime : 400.0f;
        p.YStart = 0.0f;
        p.YEnd = c.Mode == 1 ? 3.0f : 100.0f;
        Form->Model()->SetParams(p);
        Edit("EditWs")->setText(QString::fromUtf8(c.Xs));
        Edit("EditWe")->setText(QString::fromUtf8(c.Xe));
        Edit("EditYs")->setText(QString::fromUtf8(c.Ys));
        Edit("EditYe")->setText(QString::fromUtf8(c.Ye));
        TBoxSeen seen;
        TModalScript script({BoxStep(seen)}, 5000, c.Message != nullptr);
        Click(Form.get(), "Button1");
        const TMeasureParams after = Form->Model()->CurrentParams();
        if (c.Message == nullptr) {
            EXPECT_EQ(seen.Count, 0);
            EXPECT_EQ(after.XStart, std::max(std::stof(c.Xs), std::stof(c.Xe)));
            EXPECT_EQ(after.YEnd, std::max(std::stof(c.Ys), std::stof(c.Ye)));
            EXPECT_EQ(Form->Graph()->YViewTo, after.YEnd);
        } else {
            EXPECT_EQ(seen.Count, 1);
            EXPECT_EQ(seen.Title, QStringLiteral("输入的坐标范围不正确"));
            EXPECT_EQ(seen.Text, QString::fromUtf8(c.Message));
            EXPECT_EQ(after.XStart, p.XStart);
            EXPECT_EQ(after.YEnd, p.YEnd);
        }
    }
}

TEST_F(MainWindowAlone, ApplyRangesWithAnEmptyOrNonNumericEdit)
{
    Edit("EditYe")->clear();
    TBoxSeen seen;
    {
        TModalScript script({BoxStep(seen)}, 300, false);
        Click(Form.get(), "Button1");
        Pump(50);
    }
    EXPECT_EQ(seen.Count, 0);  // nothing happens for an empty edit
    Edit("EditYe")->setText(QStringLiteral("-"));
    TModalScript script({BoxStep(seen)});
    Click(Form.get(), "Button1");
    EXPECT_EQ(seen.Count, 1);
    EXPECT_TRUE(seen.Text.contains(QStringLiteral("不是有效的浮点数"))) << seen.Text.toStdString();
    EXPECT_EQ(Form->Model()->CurrentParams().YEnd, 102.0f);
}

TEST_F(MainWindowAlone, GotoAsksAgainUntilTheWavenumberIsInRange)
{
    Form->UpdateInstrumentCommands(5);
    std::vector<QString> shown;
    TBoxSeen seen;
    auto answer = [&](const char* typed) {
        return OnModal<TDlgInputOne>([&shown, typed](TDlgInputOne* d) {
            shown.push_back(d->Edit()->text());
            EXPECT_EQ(d->windowTitle(), QStringLiteral("输入波数"));
            d->Edit()->setText(QString::fromLatin1(typed));
            Click(d, "btnOK");
        });
    };
    TModalScript script({answer("4000.1"), BoxStep(seen), answer("399.9"), BoxStep(seen), answer("400")});
    Action("mnGotoWn")->trigger();
    ASSERT_TRUE(script.Done());
    EXPECT_EQ(shown, (std::vector<QString>{"4000.000", "4000.100", "399.900"}));
    EXPECT_EQ(seen.Count, 2);
    EXPECT_EQ(seen.Title, QStringLiteral("输入波数范围不正确"));
    EXPECT_EQ(seen.Text, QStringLiteral("波数范围从4000.0到400.0cm-1"));
    EXPECT_EQ(Pending(), CmdGoto);
    EXPECT_EQ(Form->LastGotoWavenumber(), 400.0f);

    // The last wavenumber is offered again; cancelling moves nothing.
    Form->Task()->RequestApply();
    shown.clear();
    TModalScript cancel({OnModal<TDlgInputOne>([&](TDlgInputOne* d) {
        shown.push_back(d->Edit()->text());
        Click(d, "btnCancel");
    })});
    Action("tbGotoWn")->trigger();
    ASSERT_TRUE(cancel.Done());
    EXPECT_EQ(shown, (std::vector<QString>{"400.000"}));
    EXPECT_EQ(Pending(), CmdApply);
}

// The parameter dialog switched to Abs while a %T curve is shown: what each
// answer to the question does.
TEST_F(MainWindowAlone, ParameterConflictAnswers)
{
    struct Case {
        const char* Answer;  // null: no question expected
        bool SaveTo;         // "是": a file is chosen (else the save dialog is cancelled)
        bool Applied;
        int CurvesAfter;
    };
    const Case cases[] = {
        {"取消", false, false, 1},
        {"否", false, true, 0},
        {"是", false, true, 1},
        {"是", true, true, 1},
    };
    Form->UpdateInstrumentCommands(5);
    int round = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.Answer) + (c.SaveTo ? " + file" : ""));
        {
            TModalScript discard({UnsavedStep(QStringLiteral("否"))}, 20000, Form->Graph()->CurveCount > 0);
            Form->OnNew();
        }
        TMeasureParams p = Form->Model()->CurrentParams();
        p.Mode = 0;
        p.YEnd = 100.0f;
        Form->Model()->SetParams(p);
        AddTestCurve();
        Form->Task()->RequestReset();  // something else pending beforehand
        const QString file = Path(QStringLiteral("conflict%1.ir").arg(++round));
        QString question;
        std::vector<TModalStep> steps = {
            OnModal<TFormCanShu>([](TFormCanShu* d) {
                Child<TRadioGroup>(d, "rgMMode")->SetItemIndex(1);
                Child<QLineEdit>(d, "edYe")->setText(QStringLiteral("3"));
                Child<QCheckBox>(d, "ckbNM")->setChecked(true);
                Click(d, "btnOK");
            }),
            OnModal<QMessageBox>([&](QMessageBox* box) {
                question = box->text();
                EXPECT_EQ(box->windowTitle(), QStringLiteral("参数设置"));
                for (QAbstractButton* b : box->buttons()) {
                    if (b->text() == QString::fromUtf8(c.Answer)) {
                        b->click();
                        return;
                    }
                }
                ADD_FAILURE() << "no button " << c.Answer;
            }),
        };
        if (std::string(c.Answer) == "是")
            steps.push_back(FileStep(c.SaveTo ? file : QString()));
        TModalScript script(steps);
        Action("tbCanShu")->trigger();
        ASSERT_TRUE(script.Done());
        EXPECT_TRUE(
            question.startsWith(QStringLiteral("设置的参数与当前参数不对应，是否确定保存当前曲线？\n")));
        EXPECT_EQ(Form->Model()->CurrentParams().Mode, c.Applied ? 1 : 0);
        EXPECT_EQ(Pending(), c.Applied ? CmdApply : CmdReset);
        EXPECT_EQ(Form->Graph()->CurveCount, c.CurvesAfter);
        EXPECT_EQ(QFile::exists(file), c.SaveTo);
        // The wavelength display is taken over whatever the answer.
        EXPECT_TRUE(Form->WavelengthMode());
        Child<QCheckBox>(&Form->FormCanShu(), "ckbNM")->setChecked(false);
    }

    // Without a curve there is nothing to conflict with: no question.
    {
        TModalScript discard({UnsavedStep(QStringLiteral("否"))}, 20000, Form->Graph()->CurveCount > 0);
        Form->OnNew();
    }
    TModalScript same({OnModal<TFormCanShu>([](TFormCanShu* d) { Click(d, "btnOK"); })});
    Action("mnCanShu")->trigger();
    ASSERT_TRUE(same.Done());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_FALSE(Form->WavelengthMode());
}

TEST_F(MainWindowAlone, SaveWithoutCurvesAsksNothing)
{
    TModalScript script({FileStep(QString())}, 200, false);
    Action("mnSave")->trigger();
    Pump(50);
    EXPECT_FALSE(script.Done());
}

TEST_F(MainWindowAlone, AFullDiskDuringASaveIsReportedAndThePreviousFileStays)
{
    AddTestCurve();
    const QString path = Path(QStringLiteral("kept.ir"));
    auto choose = OnModal<QFileDialog>([path](QFileDialog* d) {
        d->setOption(QFileDialog::DontConfirmOverwrite);
        d->selectFile(path);
        static_cast<QDialog*>(d)->accept();
    });
    {
        TModalScript script({choose});
        Action("mnSave")->trigger();
        ASSERT_TRUE(script.Done());
    }
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();

    AddTestCurve();
    TBoxSeen seen;
    {
        TFullDisk full(static_cast<rlim_t>(before.size()) + 100);
        ASSERT_TRUE(full.Active());
        TModalScript script({choose, BoxStep(seen)});
        Action("mnSave")->trigger();
        ASSERT_TRUE(script.Done());
    }
    EXPECT_EQ(seen.Title, QStringLiteral("错误"));
    EXPECT_EQ(seen.Text, QStringLiteral("无法存储文件"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), before);
}

TEST_F(MainWindowAlone, OpenReportsFilesThatAreNoSpectra)
{
    QFile junk(Path(QStringLiteral("junk.ir")));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(200, 'x'));
    junk.close();
    struct Case {
        QString File;
        const char* Text;
    };
    const Case cases[] = {
        {Path(QStringLiteral("junk.ir")), "不是光谱文件"},
        {Path(QStringLiteral("missing.ir")), "无法打开文件"},
    };
    for (const Case& c : cases) {
        TBoxSeen seen;
        // The dialog only lets existing files through: choose the missing one by typing its name.
        TModalScript script({OnModal<QFileDialog>([&](QFileDialog* d) {
                                 d->setFileMode(QFileDialog::AnyFile);
                                 d->selectFile(c.File);
                                 static_cast<QDialog*>(d)->accept();
                             }),
                             BoxStep(seen)});
        Action("tbOpen")->trigger();
        ASSERT_TRUE(script.Done());
        EXPECT_EQ(seen.Title, QStringLiteral("错误"));
        EXPECT_EQ(seen.Text, QString::fromUtf8(c.Text));
        EXPECT_EQ(Form->Graph()->CurveCount, 0);
    }
}

class PlotMouse {
public:
    explicit PlotMouse(TPlotWidget* plot) : Plot(plot) {}
    void Press(int x, int y, Qt::MouseButton b = Qt::LeftButton)
    {
        Send(QEvent::MouseButtonPress, x, y, b, b);
        Send(QEvent::MouseButtonRelease, x, y, b, Qt::NoButton);
    }
    void Move(int x, int y) { Send(QEvent::MouseMove, x, y, Qt::NoButton, Qt::NoButton); }

private:
    void Send(QEvent::Type t, int x, int y, Qt::MouseButton b, Qt::MouseButtons held)
    {
        const QPointF local(x, y);
        QMouseEvent e(t, local, Plot->mapToGlobal(local), b, held, Qt::NoModifier);
        QCoreApplication::sendEvent(Plot, &e);
    }
    TPlotWidget* Plot;
};

TEST_F(MainWindowAlone, ZoomAndBackToTheViewZoomBeganWith)
{
    // Nothing to zoom into yet.
    Action("tbAmplify")->trigger();
    EXPECT_FALSE(Form->ZoomMode());
    EXPECT_FALSE(Action("tbAmplify")->isChecked());

    TSpCurveZQ735* c = AddTestCurve();
    const TMeasureParams start = Form->Model()->CurrentParams();
    Action("tbAmplify")->trigger();
    ASSERT_TRUE(Form->ZoomMode());
    EXPECT_TRUE(Action("mnAmplify")->isChecked());

    TSpGraph735& g = *Form->Graph();
    const int left = g.PlotLeft + 100, right = g.PlotLeft + 300;
    const int top = g.PlotTop + 40, bottom = g.PlotTop + 200;
    const QImage before = *Form->Surface()->Bitmap();
    PlotMouse mouse(Form->Plot());
    mouse.Press(left, top);
    mouse.Move(right, bottom);
    EXPECT_TRUE(Form->Plot()->BandShown());
    EXPECT_EQ(Form->Plot()->Band(), QRect(QPoint(left, top), QPoint(right, bottom)));
    // The band lies over the picture, it is not drawn into it.
    EXPECT_EQ(*Form->Surface()->Bitmap(), before);
    const float x0 = c->XAtPixel(left), x1 = c->XAtPixel(right);
    const float y0 = c->YAtPixel(top), y1 = c->YAtPixel(bottom);
    mouse.Press(right, bottom);
    TMeasureParams p = Form->Model()->CurrentParams();
    EXPECT_EQ(p.XStart, std::max(x0, x1));
    EXPECT_EQ(p.XEnd, std::min(x0, x1));
    EXPECT_EQ(p.YStart, std::min(y0, y1));
    EXPECT_EQ(p.YEnd, std::max(y0, y1));
    EXPECT_EQ(Edit("EditWs")->text(), QString::asprintf("%1.1f", static_cast<double>(p.XStart)));
    EXPECT_FALSE(Form->Plot()->BandShown());
    EXPECT_TRUE(Form->ZoomMode());  // ready for the next zoom
    EXPECT_EQ(Form->ZoomRect().left(), -1);

    // A second zoom inside the first, a right click that drops a started
    // band, and a click pair without width, which changes nothing.
    mouse.Press(left, top);
    mouse.Move(right, bottom);
    mouse.Press(right, bottom);
    const TMeasureParams second = Form->Model()->CurrentParams();
    EXPECT_LT(second.XStart, p.XStart);
    mouse.Press(left, top);
    mouse.Move(right, bottom);
    mouse.Press(right, bottom, Qt::RightButton);
    EXPECT_FALSE(Form->Plot()->BandShown());
    mouse.Press(left, top);
    mouse.Press(left, top);
    EXPECT_EQ(Form->Model()->CurrentParams().XStart, second.XStart);
    EXPECT_EQ(Form->Model()->CurrentParams().XEnd, second.XEnd);

    // Right to left: back to the view of when zoom mode was switched on.
    mouse.Press(right, top);
    mouse.Move(left, bottom);
    mouse.Press(left, bottom);
    p = Form->Model()->CurrentParams();
    EXPECT_EQ(p.XStart, start.XStart);
    EXPECT_EQ(p.XEnd, start.XEnd);
    EXPECT_EQ(p.YStart, start.YStart);
    EXPECT_EQ(p.YEnd, start.YEnd);
    EXPECT_EQ(Edit("EditWe")->text(), QStringLiteral("400.0"));

    // The cursor read-out and zoom exclude each other; a curve that cannot
    // show a cursor leaves the switch off.
    mouse.Press(left, top);
    Action("mnCursorRead")->trigger();
    EXPECT_FALSE(Form->ZoomMode());
    EXPECT_FALSE(Form->Plot()->BandShown());
    EXPECT_FALSE(Action("tbAmplify")->isChecked());
    EXPECT_EQ(Action("tbCursorRead")->isChecked(), Form->CursorRead());
}

TEST_F(MainWindowAlone, CurveListDeleteAndRename)
{
    AddTestCurve();
    TSpCurveZQ735* second = AddTestCurve();
    auto* selector = Child<QComboBox>(Form.get(), "cbCurve");
    ASSERT_EQ(selector->count(), 2);
    EXPECT_EQ(selector->currentIndex(), 1);
    EXPECT_EQ(Form->ItemSlot(1), Form->Graph()->IndexOfCurve(second));
    EXPECT_EQ(LabelText("lbCurMMode"), QStringLiteral("透过率(%T)"));

    // Rename through a click on the name label; at most 18 bytes are kept.
    TModalScript rename({OnModal<TDlgInputStr>([](TDlgInputStr* d) {
        EXPECT_EQ(d->windowTitle(), QStringLiteral("请输入样品名称"));
        d->Edit()->setText(QStringLiteral("聚苯乙烯薄膜"));
        Click(d, "btnOK");
    })});
    QMouseEvent click(QEvent::MouseButtonPress, QPointF(2, 2), QPointF(2, 2), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(Child<QLabel>(Form.get(), "lbCurveName"), &click);
    ASSERT_TRUE(rename.Done());
    EXPECT_EQ(Edit("edCurveName")->text(), QStringLiteral("聚苯乙烯薄膜"));
    EXPECT_STREQ(second->GetInfo().Name, Utf8ToGbk("聚苯乙烯薄膜").c_str());

    // Choosing the first entry makes its curve current.
    selector->activated(0);
    EXPECT_EQ(Form->Graph()->CurrentIndex(), Form->ItemSlot(0));
    EXPECT_EQ(Edit("edCurveName")->text(), QStringLiteral("未命名"));

    // Deleting both leaves an empty selector and "(空)".
    Click(Form.get(), "Button2");
    Pump(10);
    EXPECT_EQ(selector->count(), 1);
    Click(Form.get(), "Button2");
    Pump(10);
    EXPECT_EQ(selector->count(), 0);
    EXPECT_EQ(Form->Graph()->CurveCount, 0);
    for (const char* name : {"lbCurMMode", "lbCurScanSpeed", "lbCurSlit", "lbCurRTime"})
        EXPECT_EQ(LabelText(name), QStringLiteral("(空)"));
    EXPECT_EQ(Edit("edCurveName")->text(), QStringLiteral("(空)"));
    EXPECT_FALSE(Edit("edCurveName")->isEnabled());
    Click(Form.get(), "Button2");  // nothing selected: nothing happens
}

TEST_F(MainWindowAlone, ResizingRebuildsThePictureWithTheCurves)
{
    TSpCurveZQ735* c = AddTestCurve();
    const int oldRight = Form->Graph()->PlotRight;
    Form->resize(Form->width() + 200, Form->height() + 100);
    ASSERT_TRUE(PumpUntil([&] { return Form->Surface()->Width() == Form->Plot()->width(); }));
    EXPECT_EQ(Form->Surface()->Height(), Form->Plot()->height());
    EXPECT_EQ(Form->Surface()->Bitmap()->size(), Form->Plot()->size());
    EXPECT_GT(Form->Graph()->PlotRight, oldRight);
    EXPECT_EQ(c->GetInfo().PlotRight, Form->Graph()->PlotRight);
    // The curve maps onto the new plot: the view's ends sit on its edges.
    EXPECT_EQ(c->PixelOfX(4000.0f), Form->Graph()->PlotLeft);
}

TEST_F(MainWindowAlone, GridAndNewCommands)
{
    AddTestCurve();
    EXPECT_TRUE(Form->Graph()->ShowGrid);
    Action("mnDrawGrid")->trigger();
    EXPECT_FALSE(Form->Graph()->ShowGrid);
    EXPECT_FALSE(Action("mnDrawGrid")->isChecked());
    TModalScript discard({UnsavedStep(QStringLiteral("否"))});
    Action("tbNew")->trigger();
    EXPECT_TRUE(discard.Done());
    Pump(10);
    EXPECT_EQ(Form->Graph()->CurveCount, 0);
    EXPECT_EQ(Child<QComboBox>(Form.get(), "cbCurve")->count(), 0);
}

// "新建" and closing ask before unsaved curves go: "取消" keeps everything,
// "是" saves first (a cancelled save keeps everything too), "否" lets them
// go. Curves as the last save left them go without a question.
TEST_F(MainWindowAlone, NewAndCloseAskBeforeUnsavedCurvesGo)
{
    AddTestCurve();
    TModalScript cancel({UnsavedStep(QStringLiteral("取消"))});
    Action("mnNew")->trigger();
    EXPECT_TRUE(cancel.Done());
    EXPECT_EQ(Form->Graph()->CurveCount, 1);

    TModalScript noFile({UnsavedStep(QStringLiteral("是")), FileStep(QString())});
    EXPECT_FALSE(Form->close());
    EXPECT_TRUE(noFile.Done());
    EXPECT_TRUE(Form->isVisible());

    const QString file = Path(QStringLiteral("kept.ir"));
    TModalScript save({UnsavedStep(QStringLiteral("是")), FileStep(file)});
    Action("mnNew")->trigger();
    EXPECT_TRUE(save.Done());
    EXPECT_TRUE(QFile::exists(file));
    EXPECT_EQ(Form->Graph()->CurveCount, 0);

    // Opened and left as read: no question.
    TModalScript open({FileStep(file)});
    Action("mnOpen")->trigger();
    ASSERT_TRUE(open.Done());
    ASSERT_EQ(Form->Graph()->CurveCount, 1);
    {
        TModalScript none({UnsavedStep(QStringLiteral("取消"))}, 300, false);
        Action("mnNew")->trigger();
        Pump(20);
        EXPECT_EQ(none.StepsRun(), 0u);
        EXPECT_EQ(Form->Graph()->CurveCount, 0);
    }

    AddTestCurve();
    TModalScript discard({UnsavedStep(QStringLiteral("否"))});
    EXPECT_TRUE(Form->close());
    EXPECT_TRUE(discard.Done());
}

}  // namespace

namespace {

// With the simulated instrument the window takes the sample out of the beam
// for a baseline scan and puts it back when that scan has ended, however it ends.
TEST_F(MainWindowAlone, BaselineScansAreMeasuredWithTheSimulatedSampleOut)
{
    TearDown();
    std::vector<bool> hand;
    TForm1Options options;
    options.StartWorker = false;
    options.SampleInBeam = [&](bool in) { hand.push_back(in); };
    OpenWindow(options);
    // The instrument commands as a ready instrument has them.
    Action("mnBuild100")->setEnabled(true);

    Action("mnBuild100")->trigger();
    EXPECT_EQ(hand, std::vector<bool>{false});
    EXPECT_EQ(Pending(), CmdScan);
    Post(UM_BUSY, 0, 0);
    Post(UM_BUSY, 0, 1);
    Pump(20);
    EXPECT_EQ(hand, (std::vector<bool>{false, true}));

    Action("mnBGScan")->setEnabled(true);
    Action("mnBGScan")->trigger();
    Post(UM_BUSY, 0, 0);
    Post(UM_TASK_FAILED, 0, -5);
    Pump(20);
    EXPECT_EQ(hand, (std::vector<bool>{false, true, false, true}));

    // Other tasks leave the sample where it is.
    Post(UM_BUSY, 0, 0);
    Post(UM_BUSY, 0, 1);
    Pump(20);
    EXPECT_EQ(hand.size(), 4u);
}

}  // namespace
