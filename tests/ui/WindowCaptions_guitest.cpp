// Every window and dialog carries exactly its own caption: the program's
// texts, with nothing appended by the toolkit. The input dialogs ask their
// question in the caption, so it must be whole.

#include <QCoreApplication>
#include <QGuiApplication>
#include <QMenu>
#include <map>

#include "MainWindowFixture.h"
#include "ui/Application.h"
#include "ui/DlgInputOne.h"
#include "ui/DlgInputStr.h"
#include "ui/Messages.h"
#include "ui/NumericText.h"

namespace {

// The caption of every window the program creates at start, by class. A new
// window adds its line here.
const std::map<QString, QString>& ProgramCaptions()
{
    static const std::map<QString, QString> captions = {
        {QStringLiteral("TForm1"), QStringLiteral("ZQ735红外分光光度计")},
        {QStringLiteral("TFormCanShu"), QStringLiteral("参数设置")},
        {QStringLiteral("TFormSysInitInfo"), QStringLiteral("系统初始化")},
        {QStringLiteral("TDlgInputOne"), QStringLiteral("输入窗口")},
        {QStringLiteral("TDlgAbout"), QStringLiteral("关于")},
        // No caption of its own is given; callers set the question before each use.
        {QStringLiteral("TDlgInputStr"), QStringLiteral("输入窗口")},
        {QStringLiteral("TFormSysReset"), QStringLiteral("系统提示")},
        {QStringLiteral("TFormExit1"), QStringLiteral("退出系统")},
        {QStringLiteral("TDlgWaiting"), QStringLiteral("系统提示")},
        {QStringLiteral("TFormPassWord"), QStringLiteral("提示")},
        {QStringLiteral("TDlgSysSetting"), QStringLiteral("系统参数设置")},
        {QStringLiteral("TXiShouFeng"), QStringLiteral("峰值列表")},
        {QStringLiteral("TFormDataTable"), QStringLiteral("数据列表")},
        {QStringLiteral("TFormPrntSetting"), QStringLiteral("打印设置")},
        {QStringLiteral("TFrmND"), QStringLiteral("浓度测量")},
        {QStringLiteral("TDlgSetNDUnit"), QStringLiteral("提示")},
        {QStringLiteral("TDlgNDPrnSet"), QStringLiteral("打印设置")},
        // Not a window of the original set: named after its menu command.
        {QStringLiteral("TDlgNDFromSpectrum"), QStringLiteral("从谱图取值")},
    };
    return captions;
}

class WindowCaptions : public MainWindowFixture {};

TEST_F(WindowCaptions, NothingIsAppendedToTheCaptions)
{
    InitApplication();
    EXPECT_EQ(QCoreApplication::applicationName(), QStringLiteral("zq735"));
    // Qt appends the display name to every caption once one has been set;
    // until then the display name is only the application name, and follows it.
    const QString name = QCoreApplication::applicationName();
    QCoreApplication::setApplicationName(QStringLiteral("caption-probe"));
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), QStringLiteral("caption-probe"));
    QCoreApplication::setApplicationName(name);
}

TEST_F(WindowCaptions, EveryWindowCarriesItsOwnCaption)
{
    TForm1Options options;
    options.StartWorker = false;
    OpenWindow(options);

    std::vector<QWidget*> windows = {Form.get()};
    for (QWidget* w : Form->findChildren<QWidget*>()) {
        // Menus and drop-down lists are windows too, without captions.
        if (w->isWindow() && w->windowType() != Qt::Popup && w->windowType() != Qt::ToolTip)
            windows.push_back(w);
    }
    std::map<QString, int> seen;
    for (QWidget* w : windows) {
        const QString cls = QString::fromLatin1(w->metaObject()->className());
        ++seen[cls];
        const auto it = ProgramCaptions().find(cls);
        if (it == ProgramCaptions().end()) {
            ADD_FAILURE() << "a window without a caption in the table: " << cls.toStdString() << " \""
                          << w->windowTitle().toStdString() << "\"";
            continue;
        }
        EXPECT_EQ(w->windowTitle(), it->second) << cls.toStdString();
    }
    // Each of them exists, once.
    for (const auto& [cls, caption] : ProgramCaptions())
        EXPECT_EQ(seen[cls], 1) << cls.toStdString();
}

TEST_F(WindowCaptions, MessageBoxesAndQuestionsCarryTheirTexts)
{
    TForm1Options options;
    options.StartWorker = false;
    OpenWindow(options);

    // The information boxes, the warnings and the conversion error.
    struct Case {
        const char* Name;
        std::function<void()> Show;
        QString Caption;
    };
    const Case cases[] = {
        {"information", [&] { ShowInfo(Form.get(), QStringLiteral("系统参数存盘成功！")); }, ProgramTitle()},
        {"warning", [&] { ShowWarning(Form.get(), QStringLiteral("错误"), QStringLiteral("不是光谱文件")); },
         QStringLiteral("错误")},
        {"conversion", [&] { ShowConversionError(Form.get(), QStringLiteral("-")); }, ProgramTitle()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TBoxSeen seen;
        TModalScript script({BoxStep(seen)});
        c.Show();
        EXPECT_EQ(seen.Count, 1);
        EXPECT_EQ(seen.Title, c.Caption);
    }

    // The input dialogs' question is their caption, whole, and the dialog is
    // wide enough to show it beside the title bar's buttons.
    TDlgInputStr& text = Form->DlgInputStr();
    TDlgInputOne& number = Form->DlgInputOne();
    const std::pair<QDialog*, std::function<void(const QString&)>> dialogs[] = {
        {&text, [&](const QString& q) { text.SetPrompt(q); }},
        {&number, [&](const QString& q) { number.SetPrompt(q); }},
    };
    for (const auto& [dialog, setPrompt] : dialogs) {
        for (const QString& question : {QStringLiteral("请输入样品名称"), QStringLiteral("输入波数"),
                                        QStringLiteral("峰高")}) {
            setPrompt(question);
            EXPECT_EQ(dialog->windowTitle(), question);
            EXPECT_GT(dialog->minimumWidth(), dialog->fontMetrics().horizontalAdvance(question));
        }
    }
}

}  // namespace
