#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>

#include "GuiTestSupport.h"
#include "ui/DlgAbout.h"
#include "ui/DlgInputOne.h"
#include "ui/DlgInputStr.h"
#include "ui/DlgSysSetting.h"
#include "ui/FormExit1.h"
#include "ui/FormPassWord.h"
#include "ui/NumericText.h"
#include "ui/RadioGroup.h"
#include "ui/SysConfig.h"
#include "tests/support/FullDisk.h"

namespace {

TEST(DlgInputOne, ShowsTheValueWithItsDecimalsAndKeepsTheLastAnswer)
{
    TDlgInputOne dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("输入窗口"));
    dialog.Value = 1600.0f;
    dialog.Decimals = 3;
    dialog.Accepted = true;  // from an earlier use
    QString shown;
    bool acceptedWhileOpen = true;
    WhenModal<TDlgInputOne>([&](TDlgInputOne* d) {
        shown = d->Edit()->text();
        acceptedWhileOpen = d->Accepted;
        d->Edit()->setText(QStringLiteral("12.5"));
        Click(d, "btnOK");
    });
    EXPECT_TRUE(dialog.Execute());
    EXPECT_EQ(shown, QStringLiteral("1600.000"));
    EXPECT_FALSE(acceptedWhileOpen);
    EXPECT_FLOAT_EQ(dialog.Value, 12.5f);

    // Empty edit: OK does nothing. A lone sign: the conversion message, and
    // the dialog stays open. Cancel keeps the last value.
    TBoxSeen box;
    bool openAfterEmptyOK = false;
    bool openAfterBadOK = false;
    WhenModal<TDlgInputOne>([&](TDlgInputOne* d) {
        EXPECT_EQ(d->Edit()->text(), QStringLiteral("12.500"));
        d->Edit()->clear();
        Click(d, "btnOK");
        openAfterEmptyOK = d->isVisible();
        d->Edit()->setText(QStringLiteral("-"));
        AnswerMessageBox(box);
        Click(d, "btnOK");
        openAfterBadOK = d->isVisible();
        Click(d, "btnCancel");
    });
    EXPECT_FALSE(dialog.Execute());
    EXPECT_TRUE(openAfterEmptyOK);
    EXPECT_TRUE(openAfterBadOK);
    EXPECT_EQ(box.Count, 1);
    EXPECT_TRUE(box.Text.contains(QStringLiteral("'-'"))) << box.Text.toStdString();
    EXPECT_FALSE(dialog.Accepted);
    EXPECT_FLOAT_EQ(dialog.Value, 12.5f);
}

TEST(DlgInputOne, EditAcceptsNumericTextOnly)
{
    SetNumericBeep([] {});
    TDlgInputOne dialog;
    dialog.Edit()->setText(QStringLiteral("4a0.0x"));
    EXPECT_EQ(dialog.Edit()->text(), QStringLiteral("40.0"));
    SetNumericBeep({});
}

TEST(DlgInputStr, OkNeedsTextAndTheEditKeepsItsLastText)
{
    TDlgInputStr dialog;
    SetPrompt(dialog, QStringLiteral("请输入样品名称"));
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("请输入样品名称"));
    EXPECT_FALSE(dialog.Accepted);
    bool openAfterEmptyOK = false;
    bool acceptedAfterEmptyOK = true;
    WhenModal<TDlgInputStr>([&](TDlgInputStr* d) {
        Click(d, "btnOK");
        openAfterEmptyOK = d->isVisible();
        acceptedAfterEmptyOK = d->Accepted;
        d->Edit()->setText(QStringLiteral("样品A"));
        Click(d, "btnOK");
    });
    EXPECT_TRUE(dialog.Execute());
    EXPECT_TRUE(openAfterEmptyOK);
    EXPECT_FALSE(acceptedAfterEmptyOK);
    EXPECT_EQ(dialog.Text, QStringLiteral("样品A"));

    QString shownAgain;
    WhenModal<TDlgInputStr>([&](TDlgInputStr* d) {
        shownAgain = d->Edit()->text();
        d->Edit()->setText(QStringLiteral("other"));
        Click(d, "btnCancel");
    });
    EXPECT_FALSE(dialog.Execute());
    EXPECT_EQ(shownAgain, QStringLiteral("样品A"));
    EXPECT_EQ(dialog.Text, QStringLiteral("样品A"));
}

TEST(DlgInputStr, TextIsLimitedTo18GbkBytesWithoutSplittingACharacter)
{
    TDlgInputStr dialog;
    QLineEdit* edit = dialog.Edit();
    edit->clear();
    edit->insert(QStringLiteral("光谱光谱光谱光谱光"));  // 9 characters, 18 bytes
    EXPECT_EQ(edit->text(), QStringLiteral("光谱光谱光谱光谱光"));
    edit->insert(QStringLiteral("谱"));
    EXPECT_EQ(edit->text(), QStringLiteral("光谱光谱光谱光谱光"));
    edit->setText(QStringLiteral("光谱光谱光谱光谱1"));  // 17 bytes: room for one more byte only
    edit->end(false);
    edit->insert(QStringLiteral("谱"));
    EXPECT_EQ(edit->text(), QStringLiteral("光谱光谱光谱光谱1"));
    edit->insert(QStringLiteral("2"));
    EXPECT_EQ(edit->text(), QStringLiteral("光谱光谱光谱光谱12"));
}

TEST(FormPassWord, WrongPasswordIsReportedAndTheDialogStaysOpen)
{
    EXPECT_TRUE(CheckPassword(QStringLiteral("583194")));
    EXPECT_FALSE(CheckPassword(QStringLiteral("583194 ")));
    EXPECT_FALSE(CheckPassword(QString()));

    TFormPassWord dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("提示"));
    auto* edit = Child<QLineEdit>(&dialog, "EditPassWord");
    ASSERT_NE(edit, nullptr);
    edit->setText(QStringLiteral("left over"));
    EXPECT_EQ(edit->echoMode(), QLineEdit::Password);
    EXPECT_EQ(edit->maxLength(), 20);

    TBoxSeen box;
    bool emptyOnShow = false;
    bool openAfterWrong = false;
    WhenModal<TFormPassWord>([&](TFormPassWord* d) {
        emptyOnShow = edit->text().isEmpty();
        edit->setText(QStringLiteral("123456"));
        AnswerMessageBox(box);
        Click(d, "btnOK");
        openAfterWrong = d->isVisible();
        edit->setText(QStringLiteral("583194"));
        Click(d, "btnOK");
    });
    EXPECT_TRUE(dialog.Execute());
    EXPECT_TRUE(emptyOnShow);
    EXPECT_TRUE(openAfterWrong);
    EXPECT_EQ(box.Count, 1);
    EXPECT_EQ(box.Title, QStringLiteral("密码错误"));
    EXPECT_EQ(box.Text, QStringLiteral("您输入的密码不正确!"));
    EXPECT_EQ(box.Icon, QMessageBox::Warning);

    WhenModal<TFormPassWord>([&](TFormPassWord* d) { Click(d, "btnCancel"); });
    EXPECT_FALSE(dialog.Execute());
}

TEST(FormExit1, ConfirmedOnlyByOK)
{
    TFormExit1 dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("退出系统"));
    WhenModal<TFormExit1>([](TFormExit1* d) { Click(d, "btnOK"); });
    EXPECT_TRUE(dialog.Execute());
    WhenModal<TFormExit1>([](TFormExit1* d) { Click(d, "btnCancel"); });
    EXPECT_FALSE(dialog.Execute());
    EXPECT_FALSE(dialog.Confirmed);
}

TEST(DlgAbout, ShowsTitleVersionAndMakerAndClosesWithItsButton)
{
    TDlgAbout dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("关于"));
    QStringList texts;
    for (QLabel* label : dialog.findChildren<QLabel*>()) {
        texts << label->text();
    }
    EXPECT_TRUE(texts.contains(QStringLiteral("ZQ735红外分光光度计软件")));
    EXPECT_TRUE(texts.contains(QStringLiteral("版本号 1.0")));
    EXPECT_TRUE(texts.contains(QStringLiteral("ZQ735 Project")));
    WhenModal<TDlgAbout>([](TDlgAbout* d) { Click(d, "btnClose"); });
    dialog.exec();
    EXPECT_FALSE(dialog.isVisible());
}

// The settings command as the main window runs it: password, settings
// dialog, configuration file, message.
class SysSettingsCommand : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Dir.isValid());
        SetDataFolder(Dir.path());
    }
    void TearDown() override { SetDataFolder(QString()); }

    bool ConfigWritten() const { return QFile::exists(Dir.filePath(QString::fromLatin1(kConfigFileName))); }

    void AnswerPassword(const char* text)
    {
        WhenModal<TFormPassWord>([text](TFormPassWord* d) {
            Child<QLineEdit>(d, "EditPassWord")->setText(QString::fromLatin1(text));
            Click(d, "btnOK");
        });
    }

    QTemporaryDir Dir;
    TFormPassWord Password;
    TDlgSysSetting Settings;
};

TEST_F(SysSettingsCommand, CancelledPasswordOrSettingsChangeNothing)
{
    TSysSettings s{1, 1, 0};
    WhenModal<TFormPassWord>([](TFormPassWord* d) { Click(d, "btnCancel"); });
    EXPECT_FALSE(RunSysSettingsCommand(Password, Settings, s));

    AnswerPassword("583194");
    WhenModal<TDlgSysSetting>([](TDlgSysSetting* d) {
        Child<TRadioGroup>(d, "RGMotorS")->SetItemIndex(0);
        Click(d, "btnCancel");
    });
    EXPECT_FALSE(RunSysSettingsCommand(Password, Settings, s));
    EXPECT_EQ(s.MotorType, 1);
    EXPECT_FALSE(ConfigWritten());
}

TEST_F(SysSettingsCommand, AcceptedSettingsAreReturnedAndSaved)
{
    TSysSettings s{1, 1, 0};
    AnswerPassword("583194");
    int shownMotor = -1;
    bool shownStray = false;
    bool shownDebug = true;
    WhenModal<TDlgSysSetting>([&](TDlgSysSetting* d) {
        auto* motor = Child<TRadioGroup>(d, "RGMotorS");
        shownMotor = motor->ItemIndex();
        shownStray = Child<QCheckBox>(d, "CBZSG")->isChecked();
        shownDebug = Child<QCheckBox>(d, "CBDebug")->isChecked();
        EXPECT_EQ(motor->ItemText(0), QStringLiteral("进口"));
        EXPECT_EQ(motor->ItemText(1), QStringLiteral("国产"));
        motor->SetItemIndex(0);
        Child<QCheckBox>(d, "CBDebug")->setChecked(true);
        Click(d, "btnOK");
    });
    TBoxSeen box;
    AnswerMessageBox(box);
    EXPECT_TRUE(RunSysSettingsCommand(Password, Settings, s));
    EXPECT_EQ(shownMotor, 1);
    EXPECT_TRUE(shownStray);
    EXPECT_FALSE(shownDebug);
    EXPECT_EQ(s.MotorType, 0);
    EXPECT_EQ(s.StrayLightCorr, 1);
    EXPECT_EQ(s.DebugMode, 1);
    EXPECT_EQ(box.Text, QStringLiteral("系统参数存盘成功！"));

    TSysSettings reread{9, 9, 0};
    ASSERT_TRUE(ReadConfig(QString::fromLatin1(kConfigFileName), reread));
    EXPECT_EQ(reread.MotorType, 0);
    EXPECT_EQ(reread.StrayLightCorr, 1);
    EXPECT_EQ(reread.DebugMode, 0);  // the debug switch stays in memory
}

TEST_F(SysSettingsCommand, AFailedWriteIsReportedButTheSettingsHold)
{
    SetDataFolder(Dir.filePath(QStringLiteral("no/such/folder")));
    TSysSettings s{1, 1, 0};
    AnswerPassword("583194");
    WhenModal<TDlgSysSetting>([](TDlgSysSetting* d) {
        Child<QCheckBox>(d, "CBZSG")->setChecked(false);
        Click(d, "btnOK");
    });
    TBoxSeen box;
    AnswerMessageBox(box);
    EXPECT_TRUE(RunSysSettingsCommand(Password, Settings, s));
    EXPECT_EQ(s.StrayLightCorr, 0);
    EXPECT_EQ(box.Text, QStringLiteral("系统参数存盘失败！"));
}

TEST_F(SysSettingsCommand, AFullDiskIsReportedAndThePreviousFileStays)
{
    ASSERT_TRUE(WriteConfig(QString::fromLatin1(kConfigFileName), TSysSettings{1, 1, 0}));
    QFile file(DataFilePath(QString::fromLatin1(kConfigFileName)));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();
    TSysSettings s{1, 1, 0};
    AnswerPassword("583194");
    WhenModal<TDlgSysSetting>([](TDlgSysSetting* d) {
        Child<QCheckBox>(d, "CBZSG")->setChecked(false);
        Click(d, "btnOK");
    });
    TBoxSeen box;
    AnswerMessageBox(box);
    {
        TFullDisk full(100);
        ASSERT_TRUE(full.Active());
        EXPECT_TRUE(RunSysSettingsCommand(Password, Settings, s));
    }
    EXPECT_EQ(box.Text, QStringLiteral("系统参数存盘失败！"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), before);
    EXPECT_EQ(QDir(Dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

}  // namespace
