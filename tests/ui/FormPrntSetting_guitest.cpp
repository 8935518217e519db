// The print window: its controls and size rules, the list windows' print
// flags, and printing from the main window to the same PDF page as the
// command line.

#include <QCheckBox>
#include <QKeyEvent>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include "../report/PdfTools.h"
#include "MainWindowFixture.h"
#include "ui/FormPrntSetting.h"

namespace {

void KeyUp(QLineEdit* edit, const QString& text)
{
    edit->setText(text);
    QKeyEvent up(QEvent::KeyRelease, Qt::Key_0, Qt::NoModifier);
    QCoreApplication::sendEvent(edit, &up);
}

class PrintWindow : public ::testing::Test {
protected:
    TFormPrntSetting Form;
    QLineEdit* Edit(const char* name) { return Child<QLineEdit>(&Form, name); }
    QCheckBox* Box(const char* name) { return Child<QCheckBox>(&Form, name); }
};

TEST_F(PrintWindow, StartsPortraitWithDerivedPlotSize)
{
    EXPECT_EQ(Form.windowTitle(), QStringLiteral("打印设置"));
    EXPECT_TRUE(Child<QRadioButton>(&Form, "rbPortrait")->isChecked());
    EXPECT_EQ(Child<QRadioButton>(&Form, "rbLandscape")->text(), QStringLiteral("横向打印"));
    EXPECT_EQ(Edit("EditPutuHeight")->text(), QStringLiteral("12.0"));
    EXPECT_TRUE(Edit("EditPutuWidth")->isReadOnly());
    for (const char* name : {"CBBegin", "CBPara", "CBChangInfo"})
        EXPECT_TRUE(Box(name)->isChecked()) << name;
    for (const char* name : {"CBPrnFJ", "CBPrnFG", "CBPrnData"})
        EXPECT_FALSE(Box(name)->isEnabled() || Box(name)->isChecked()) << name;
    EXPECT_TRUE(Child<QPushButton>(&Form, "BTPrint")->isDefault());
    EXPECT_EQ(Child<QLabel>(&Form, "IMPre")->size(), QSize(208, 184));

    Form.show();
    EXPECT_EQ(Edit("EditPutuWidth")->text(), QStringLiteral("19.4"));
    EXPECT_EQ(Edit("EditPutuHeight")->text(), QStringLiteral("10.7"));
}

TEST_F(PrintWindow, SizeTextsAreCorrectedWhenAKeyIsReleased)
{
    Form.show();
    KeyUp(Edit("EditLeft"), QStringLiteral("25"));
    EXPECT_EQ(Edit("EditLeft")->text(), QStringLiteral("19.5"));
    KeyUp(Edit("EditLeft"), QStringLiteral("-3"));
    EXPECT_EQ(Edit("EditLeft")->text(), QStringLiteral("0"));
    KeyUp(Edit("EditRight"), QStringLiteral("2"));
    EXPECT_EQ(Edit("EditPutuWidth")->text(), QStringLiteral("17.4"));
    EXPECT_EQ(Edit("EditPutuHeight")->text(), QStringLiteral("9.6"));  // " 9.6" without its blank
    // The plot height is only clamped, never derived again by its own edit.
    KeyUp(Edit("EditPutuHeight"), QStringLiteral("30"));
    EXPECT_EQ(Edit("EditPutuHeight")->text(), QStringLiteral("28.0"));
    EXPECT_FLOAT_EQ(Form.Sizes().PlotHeightCm, 28.0f);
    // Letters never get in.
    Edit("EditTop")->setText(QStringLiteral("1x"));
    EXPECT_EQ(Edit("EditTop")->text(), QStringLiteral("1"));
    // A box change derives the height again.
    Box("CBBegin")->click();
    EXPECT_EQ(Edit("EditPutuHeight")->text(), QStringLiteral("9.6"));
}

TEST_F(PrintWindow, IndicatorsShowTheListWindowsFlagsOnly)
{
    Form.SetPrintPeaks(true);
    EXPECT_TRUE(Box("CBPrnFJ")->isChecked() && Box("CBPrnFJ")->isEnabled());
    EXPECT_TRUE(Form.PrintPeaks());
    Box("CBPrnFJ")->click();  // the operator cannot switch it here
    EXPECT_TRUE(Box("CBPrnFJ")->isChecked());
    EXPECT_TRUE(Form.Blocks().Peaks);
    Form.SetPrintValleys(true);
    Form.SetPrintData(true);
    EXPECT_TRUE(Form.Blocks().Valleys && Form.Blocks().Data);
    const QImage withLists = Form.PreviewImage().copy();
    Form.SetPrintPeaks(false);
    EXPECT_FALSE(Box("CBPrnFJ")->isChecked() || Box("CBPrnFJ")->isEnabled());
    EXPECT_NE(Form.PreviewImage(), withLists);  // the preview was drawn again
}

TEST_F(PrintWindow, LandscapeHidesTheListIndicatorsAndWidensThePlot)
{
    Form.show();
    Form.SetPrintData(true);
    const int portraitY = Box("CBBegin")->y();
    Child<QRadioButton>(&Form, "rbLandscape")->setChecked(true);
    EXPECT_TRUE(Form.Sizes().Landscape);
    EXPECT_FLOAT_EQ(Form.Sizes().PaperWidthCm, 28.0f);
    EXPECT_EQ(Edit("EditPutuWidth")->text(), QStringLiteral("27.9"));
    EXPECT_EQ(Edit("EditPutuHeight")->text(), QStringLiteral("15.3"));
    for (const char* name : {"CBPrnFJ", "CBPrnFG", "CBPrnData"})
        EXPECT_FALSE(Box(name)->isVisible()) << name;
    EXPECT_GT(Box("CBBegin")->y(), portraitY);
    EXPECT_FALSE(Form.Blocks().Data);
    Child<QRadioButton>(&Form, "rbPortrait")->setChecked(true);
    EXPECT_EQ(Box("CBBegin")->y(), portraitY);
    EXPECT_TRUE(Box("CBPrnData")->isVisible());
    EXPECT_EQ(Edit("EditPutuWidth")->text(), QStringLiteral("19.4"));
}

class PrintFromMainWindow : public MainWindowFixture {
protected:
    void SetUp() override
    {
        TForm1Options options;
        options.StartWorker = false;
        OpenWindow(options);
    }
    TFormPrntSetting& Print() { return Form->FormPrntSetting(); }
};

TEST_F(PrintFromMainWindow, WithoutACurveThePrintButtonOnlyCloses)
{
    QAction* print = Action("mnPrint");
    ASSERT_TRUE(print->isEnabled());
    EXPECT_TRUE(Action("tbPrint")->isEnabled());
    print->trigger();
    ASSERT_TRUE(Print().isVisible());
    bool asked = false;
    Print().SetPdfPathChooser([&] {
        asked = true;
        return QString();
    });
    Child<QPushButton>(&Print(), "BTPrint")->click();
    EXPECT_FALSE(Print().isVisible());
    EXPECT_FALSE(asked);
}

TEST_F(PrintFromMainWindow, PrintsTheSamePageAsTheCommandLine)
{
    const QString file = QStringLiteral(ZQ735_TEST_DATA "/report/ps.ir");
    {
        TModalScript script({FileStep(file)});
        Form->OnOpen();
        ASSERT_TRUE(script.Done());
    }
    ASSERT_NE(Form->Graph()->CurrentCurve(), nullptr);
    Form->SetCursorRead(true);
    Action("tbPrint")->trigger();
    EXPECT_FALSE(Form->CursorRead());
    ASSERT_TRUE(Print().isVisible());
    const QString pdf = Path(QStringLiteral("window.pdf"));
    Print().SetPdfPathChooser([&] { return pdf; });
    Child<QCheckBox>(&Print(), "CBToPdf")->setChecked(true);
    Child<QPushButton>(&Print(), "BTPrint")->click();
    EXPECT_FALSE(Print().isVisible());
    ASSERT_EQ(PdfPages(pdf.toStdString()), 1);

    const std::string cliPdf = Path(QStringLiteral("cli.pdf")).toStdString();
    RunTool(std::string(ZQ735_BIN_DIR) + "/app/zq735-cli report " + Quoted(file.toStdString()) + " -o " +
            Quoted(cliPdf) + " >/dev/null 2>&1");
    const std::string windowText = PdfText(pdf.toStdString());
    EXPECT_TRUE(Contains(windowText, "波数范围")) << windowText;
    EXPECT_EQ(windowText, PdfText(cliPdf));
    const QImage windowPage = PdfPicture(pdf.toStdString(), 50);
    ASSERT_FALSE(windowPage.isNull());
    EXPECT_EQ(windowPage, PdfPicture(cliPdf, 50));
}

TEST_F(PrintFromMainWindow, PreviewShowsTheRealPageAndKeepsTheSizes)
{
    AddTestCurve();
    Action("mnPrint")->trigger();
    ASSERT_TRUE(Print().isVisible());
    Child<QRadioButton>(&Print(), "rbLandscape")->setChecked(true);
    int pages = -1;
    TModalScript script({OnModal<QPrintPreviewDialog>([&pages](QPrintPreviewDialog* d) {
        if (auto* w = d->findChild<QPrintPreviewWidget*>())
            pages = w->pageCount();
        d->reject();
    })});
    Child<QPushButton>(&Print(), "BTPreview")->click();
    EXPECT_TRUE(script.Done());
    EXPECT_EQ(pages, 1);
    // Only printing takes the printer's paper into the window.
    EXPECT_FLOAT_EQ(Print().Sizes().PaperWidthCm, 28.0f);
    EXPECT_TRUE(Print().isVisible());
}

}  // namespace
