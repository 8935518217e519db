#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QToolButton>
#include <cstring>

#include "GuiTestSupport.h"
#include "text/GbkText.h"
#include "ui/FormCanShu.h"
#include "ui/NumericText.h"
#include "ui/RadioGroup.h"
#include "ui/UpDown.h"

namespace {

class FormCanShuTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetNumericBeep([] {});
        Form.show();
    }
    void TearDown() override
    {
        Form.hide();
        SetNumericBeep({});
    }

    QLineEdit* Edit(const char* name) { return Child<QLineEdit>(&Form, name); }
    TRadioGroup* Group(const char* name) { return Child<TRadioGroup>(&Form, name); }
    QComboBox* Method() { return Child<QComboBox>(&Form, "cbScanMode"); }
    QString Text(const char* name) { return Edit(name)->text(); }

    // Presses "确定"; returns the message box text shown, or "" when none was.
    QString PressOK()
    {
        TBoxSeen box;
        bool answered = false;
        const QPointer<QTimer> watcher = WhenModal<QMessageBox>(
            [&](QMessageBox* b) {
                answered = true;
                box.Title = b->windowTitle();
                box.Text = b->text();
                box.Icon = b->icon();
                b->done(QMessageBox::Ok);
            },
            1000);
        Click(&Form, "btnOK");
        if (!answered) {
            StopWatching(watcher);
            auto* top = QApplication::activeModalWidget();
            EXPECT_EQ(top, nullptr);
            return QString();
        }
        LastTitle = box.Title;
        LastIcon = box.Icon;
        return box.Text;
    }

    TFormCanShu Form;
    QString LastTitle;
    QMessageBox::Icon LastIcon = QMessageBox::NoIcon;
};

TEST_F(FormCanShuTest, LoadingShowsTheRecord)
{
    TMeasureParams p;  // defaults
    p.Slit = 5;
    p.ScanCount = 3;
    Form.LoadParams(p);
    EXPECT_EQ(Form.windowTitle(), QStringLiteral("参数设置"));
    EXPECT_EQ(Group("rgMMode")->ItemIndex(), 0);
    EXPECT_EQ(Group("rgSSpeed")->ItemIndex(), 2);
    EXPECT_EQ(Group("rgSlit")->ItemIndex(), 4);
    EXPECT_EQ(Group("rgSlit")->ItemText(4), QStringLiteral("很窄"));
    EXPECT_EQ(Group("rgRTime")->ItemIndex(), 2);
    EXPECT_EQ(Method()->currentText(), QStringLiteral("连续扫描"));
    EXPECT_EQ(Text("edXs"), QStringLiteral("4000.0"));
    EXPECT_EQ(Text("edXe"), QStringLiteral("400.0"));
    EXPECT_EQ(Text("edYs"), QStringLiteral("0.0"));
    EXPECT_EQ(Text("edYe"), QStringLiteral("102.0"));
    EXPECT_EQ(Text("edScanCount"), QStringLiteral("3"));
    EXPECT_EQ(Text("edScanTime"), QStringLiteral("1000"));
    EXPECT_TRUE(Edit("edScanTime")->isReadOnly());
    EXPECT_FALSE(Edit("edXs")->isReadOnly());
    EXPECT_FALSE(Form.Accepted);

    p.ScanMode = 2;
    p.ScanTime = 60.5f;
    Form.LoadParams(p);
    EXPECT_EQ(Text("edScanTime"), QStringLiteral("60.5"));
    EXPECT_EQ(Text("edXs"), QStringLiteral("0"));
    EXPECT_EQ(Text("edXe"), QStringLiteral("60"));
}

TEST_F(FormCanShuTest, RangeChecksAndTheirCombinedMessage)
{
    struct Case {
        const char* what;
        int mode;
        int method;
        const char* xs;
        const char* xe;
        const char* ys;
        const char* ye;
        const char* message;  // "" = accepted
    };
    const Case cases[] = {
        {"%T continuous", 0, 0, "4000", "400", "0", "100", ""},
        {"limits themselves", 0, 0, "4000.0", "400.0", "-400", "400", ""},
        {"rising X", 0, 0, "400", "4000", "0", "100", "\n\n\n连续扫描: 横坐标的起始不能小于终止"},
        {"rising X, overlay", 0, 1, "400", "4000", "0", "100", "\n\n\n重叠扫描: 横坐标的起始不能小于终止"},
        {"X above 4000", 0, 0, "4000.1", "400", "0", "100", "X坐标超出范围 4000.0 - 400.0 cm-1\n\n\n"},
        {"X below 400", 0, 0, "4000", "399", "0", "100", "X坐标超出范围 4000.0 - 400.0 cm-1\n\n\n"},
        {"Abs within", 1, 0, "4000", "400", "0", "3", ""},
        {"Abs above 4", 1, 0, "4000", "400", "0", "5", "\nY坐标超出范围 -4.0 -  4.0 A\n\n"},
        {"%T above 400", 0, 0, "4000", "400", "0", "401", "\nY坐标超出范围 -400.0 - 400.0 %\n\n"},
        {"single beam uses the % limits", 2, 0, "4000", "400", "-10", "300", ""},
        {"falling Y", 0, 0, "4000", "400", "100", "0", "\n\n纵坐标 起始不能大于终止\n"},
        {"everything wrong", 0, 0, "300", "5000", "500", "-500",
         "X坐标超出范围 4000.0 - 400.0 cm-1\nY坐标超出范围 -400.0 - 400.0 %\n纵坐标 起始不能大于终止\n"
         "连续扫描: 横坐标的起始不能小于终止"},
    };
    for (const Case& c : cases) {
        Form.LoadParams(TMeasureParams{});
        Group("rgMMode")->SetItemIndex(c.mode);
        Method()->setCurrentIndex(c.method);
        Edit("edXs")->setText(QString::fromUtf8(c.xs));
        Edit("edXe")->setText(QString::fromUtf8(c.xe));
        Edit("edYs")->setText(QString::fromUtf8(c.ys));
        Edit("edYe")->setText(QString::fromUtf8(c.ye));
        const QString message = PressOK();
        EXPECT_EQ(message, QString::fromUtf8(c.message)) << c.what;
        const bool accepted = std::strlen(c.message) == 0;
        EXPECT_EQ(Form.Accepted, accepted) << c.what;
        if (!accepted) {
            EXPECT_EQ(LastTitle, QStringLiteral("输入的坐标范围不正确")) << c.what;
            EXPECT_EQ(LastIcon, QMessageBox::Warning) << c.what;
            EXPECT_TRUE(Form.isVisible()) << c.what;
        }
        Form.show();
    }
}

TEST_F(FormCanShuTest, TimeDriveRangesAgainstTheDuration)
{
    TMeasureParams r;
    r.ScanMode = 2;
    r.ScanTime = 120.0f;
    r.XStart = 0.0f;
    r.XEnd = 120.0f;
    EXPECT_EQ(TFormCanShu::RangeMessage(r, QStringLiteral("时间驱动")), QString());
    r.XStart = 130.0f;
    EXPECT_EQ(TFormCanShu::RangeMessage(r, QStringLiteral("时间驱动")),
              QStringLiteral("X坐标超出范围 120.0 -  0.0 秒\n\n\n时间驱动: 横坐标 起始不能大于终止"));
    r.XStart = 50.0f;
    r.XEnd = 10.0f;
    EXPECT_EQ(TFormCanShu::RangeMessage(r, QStringLiteral("时间驱动")),
              QStringLiteral("\n\n\n时间驱动: 横坐标 起始不能大于终止"));
}

TEST_F(FormCanShuTest, ADriveLongerThanAFileCanHoldIsRefused)
{
    TMeasureParams p;
    p.ScanMode = 2;
    Form.LoadParams(p);
    Edit("edScanTime")->setText(QStringLiteral("100000"));
    EXPECT_EQ(PressOK(), QString());
    EXPECT_TRUE(Form.Accepted);
    Form.LoadParams(p);
    Form.show();
    Edit("edScanTime")->setText(QStringLiteral("100001"));
    EXPECT_EQ(PressOK(), QStringLiteral("时间超出范围 0 - 100000 秒"));
    EXPECT_FALSE(Form.Accepted);
}

TEST_F(FormCanShuTest, AcceptedRecordTakesTheControlsAndKeepsTheRest)
{
    TMeasureParams p;
    SetGbkField(p.BatchNo, "批号-7");
    SetGbkField(p.Note, "note");
    p.CurrentX = 1234.5f;
    Form.LoadParams(p);
    Group("rgMMode")->SetItemIndex(1);
    Group("rgSSpeed")->SetItemIndex(4);
    Group("rgSlit")->SetItemIndex(0);
    Group("rgRTime")->SetItemIndex(3);
    Method()->setCurrentIndex(1);  // before the range: a change of method reloads it
    Edit("edXs")->setText(QStringLiteral("3000"));
    Edit("edXe")->setText(QStringLiteral("1000.5"));
    Edit("edYs")->setText(QStringLiteral("-0.5"));
    Edit("edYe")->setText(QStringLiteral("2"));
    Child<TUpDown>(&Form, "upScanCount")->UpButton()->click();
    EXPECT_EQ(PressOK(), QString());
    ASSERT_TRUE(Form.Accepted);
    EXPECT_FALSE(Form.isVisible());
    const TMeasureParams& r = Form.Params;
    EXPECT_EQ(r.Mode, 1);
    EXPECT_EQ(r.Speed, 4);
    EXPECT_EQ(r.Slit, 1);
    EXPECT_EQ(r.Response, 3);
    EXPECT_EQ(r.ScanMode, 1);
    EXPECT_FLOAT_EQ(r.XStart, 3000.0f);
    EXPECT_FLOAT_EQ(r.XEnd, 1000.5f);
    EXPECT_FLOAT_EQ(r.YStart, -0.5f);
    EXPECT_FLOAT_EQ(r.YEnd, 2.0f);
    EXPECT_EQ(r.ScanCount, 2);
    EXPECT_FLOAT_EQ(r.ScanTime, 1000.0f);
    EXPECT_FLOAT_EQ(r.CurrentX, 1234.5f);
    EXPECT_EQ(GbkFieldToUtf8(r.BatchNo), "批号-7");
    EXPECT_EQ(GbkFieldToUtf8(r.Note), "note");
}

TEST_F(FormCanShuTest, CancelAndConversionErrorsLeaveTheRecord)
{
    TMeasureParams p;
    Form.LoadParams(p);
    Edit("edXs")->setText(QStringLiteral("-"));
    EXPECT_TRUE(PressOK().contains(QStringLiteral("'-'")));
    EXPECT_EQ(LastIcon, QMessageBox::Critical);
    EXPECT_FALSE(Form.Accepted);
    EXPECT_TRUE(Form.isVisible());

    Edit("edXs")->clear();
    EXPECT_TRUE(PressOK().contains(QStringLiteral("''")));
    EXPECT_FALSE(Form.Accepted);

    Edit("edXs")->setText(QStringLiteral("3500"));
    Click(&Form, "btnCancel");
    EXPECT_FALSE(Form.Accepted);
    EXPECT_FALSE(Form.isVisible());
    EXPECT_FLOAT_EQ(Form.Params.XStart, 4000.0f);
}

TEST_F(FormCanShuTest, TimeDriveLayoutAndDurationFollowing)
{
    TMeasureParams p;
    p.ScanTime = 1000.0f;
    Form.LoadParams(p);
    Edit("edXs")->setText(QStringLiteral("3000"));

    Method()->setCurrentIndex(2);  // 时间驱动
    EXPECT_EQ(Text("edXs"), QStringLiteral("0"));
    EXPECT_EQ(Text("edXe"), QStringLiteral("1000"));
    EXPECT_TRUE(Edit("edXs")->isReadOnly());
    EXPECT_TRUE(Edit("edXe")->isReadOnly());
    EXPECT_EQ(Edit("edXs")->palette().color(QPalette::Base), QColor(192, 192, 192));
    EXPECT_EQ(Edit("edScanCount")->palette().color(QPalette::Base), QColor(192, 192, 192));
    EXPECT_FALSE(Child<TUpDown>(&Form, "upScanCount")->isEnabled());
    EXPECT_FALSE(Edit("edScanTime")->isReadOnly());
    EXPECT_NE(Edit("edScanTime")->palette().color(QPalette::Base), QColor(192, 192, 192));

    Edit("edScanTime")->setText(QStringLiteral("120"));
    EXPECT_EQ(Text("edXe"), QStringLiteral("120"));
    Edit("edScanTime")->setText(QStringLiteral("."));
    EXPECT_EQ(Text("edScanTime"), QStringLiteral("0"));
    EXPECT_EQ(Text("edXe"), QStringLiteral("0"));
    Edit("edScanTime")->setText(QStringLiteral("12x0"));
    EXPECT_EQ(Text("edScanTime"), QStringLiteral("120"));
    EXPECT_EQ(Text("edXe"), QStringLiteral("120"));

    Method()->setCurrentIndex(0);  // 连续扫描: the stored range, not what was typed
    EXPECT_EQ(Text("edXs"), QStringLiteral("4000.0"));
    EXPECT_EQ(Text("edXe"), QStringLiteral("400.0"));
    EXPECT_FALSE(Edit("edXs")->isReadOnly());
    EXPECT_TRUE(Edit("edScanTime")->isReadOnly());
    EXPECT_TRUE(Child<TUpDown>(&Form, "upScanCount")->isEnabled());

    // Back in time drive the abscissa end shows the stored duration again
    // until the duration is typed anew.
    Method()->setCurrentIndex(2);
    EXPECT_EQ(Text("edXe"), QStringLiteral("1000"));
    Edit("edScanTime")->setText(QStringLiteral("90"));
    EXPECT_EQ(Text("edXe"), QStringLiteral("90"));
    EXPECT_EQ(PressOK(), QString());
    ASSERT_TRUE(Form.Accepted);
    EXPECT_EQ(Form.Params.ScanMode, 2);
    EXPECT_FLOAT_EQ(Form.Params.XStart, 0.0f);
    EXPECT_FLOAT_EQ(Form.Params.XEnd, 90.0f);
    EXPECT_FLOAT_EQ(Form.Params.ScanTime, 90.0f);
}

TEST_F(FormCanShuTest, ScanCountArrowsStopAtOneAndTwenty)
{
    Form.LoadParams(TMeasureParams{});
    auto* arrows = Child<TUpDown>(&Form, "upScanCount");
    ASSERT_NE(arrows, nullptr);
    EXPECT_TRUE(Edit("edScanCount")->isReadOnly());
    arrows->DownButton()->click();
    EXPECT_EQ(Text("edScanCount"), QStringLiteral("1"));
    for (int i = 0; i < 25; ++i) {
        arrows->UpButton()->click();
    }
    EXPECT_EQ(Text("edScanCount"), QStringLiteral("20"));
    arrows->DownButton()->click();
    EXPECT_EQ(Text("edScanCount"), QStringLiteral("19"));
}

TEST_F(FormCanShuTest, NumericEditsFilterAndReadOutOptionsPersist)
{
    Form.LoadParams(TMeasureParams{});
    Edit("edYe")->setText(QStringLiteral("1a0.0.5"));
    EXPECT_EQ(Text("edYe"), QStringLiteral("10.05"));
    EXPECT_EQ(Edit("edXs")->maxLength(), 9);
    EXPECT_EQ(Edit("edScanTime")->maxLength(), 8);

    EXPECT_TRUE(Form.ShowPosition());
    EXPECT_TRUE(Form.ShowValue());
    EXPECT_FALSE(Form.WavelengthMode());
    Child<QCheckBox>(&Form, "chkShowX")->setChecked(false);
    Child<QCheckBox>(&Form, "ckbNM")->setChecked(true);
    Form.LoadParams(TMeasureParams{});
    EXPECT_FALSE(Form.ShowPosition());
    EXPECT_TRUE(Form.WavelengthMode());
}

TEST(FormCanShuSource, TimeDriveInSlotZeroIsOfferedAgain)
{
    TMeasureParams current;
    TMeasureParams slot0;
    slot0.ScanMode = 2;
    EXPECT_EQ(&TFormCanShu::SourceParams(current, &slot0), &slot0);
    EXPECT_EQ(&TFormCanShu::SourceParams(current, nullptr), &current);
    slot0.ScanMode = 1;
    EXPECT_EQ(&TFormCanShu::SourceParams(current, &slot0), &current);
}

}  // namespace
