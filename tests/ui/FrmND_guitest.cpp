// The quantitative window as the operator uses it, offscreen: typing into the
// grid's editors, the buttons, the unit dialog, save and open through the
// file dialog, and a printout of a long table to PDF read back with pdftotext.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <array>
#include <cstdio>
#include <filesystem>
#include <string>

#include "GuiTestSupport.h"
#include "quant/NDTable.h"
#include "tests/support/Run.h"
#include "ui/DlgNDPrnSet.h"
#include "ui/DlgSetNDUnit.h"
#include "ui/FrmND.h"
#include "ui/NumericText.h"

namespace {

TNDSystemTime FixedTime()
{
    TNDSystemTime t;
    t.Year = 2004;
    t.Month = 7;
    t.Day = 19;
    t.Hour = 17;
    t.Minute = 20;
    t.Second = 23;
    return t;
}

// Makes the cell current as a click would and types the text into its editor.
void Type(TFrmND& form, int row, int col, const QString& text)
{
    TNDGrid* grid = form.Grid();
    grid->setCurrentCell(row - 1, col);
    ASSERT_EQ(grid->currentRow(), row - 1);
    ASSERT_EQ(grid->currentColumn(), col);
    if (!grid->Editing())
        grid->editItem(grid->item(row - 1, col));
    QLineEdit* editor = nullptr;
    const QRect cell = grid->visualRect(grid->currentIndex());
    for (QLineEdit* e : grid->viewport()->findChildren<QLineEdit*>())
        if (e->isVisible() && e->geometry().intersects(cell))
            editor = e;
    ASSERT_NE(editor, nullptr);
    editor->setText(text);
    ASSERT_EQ(form.Table().Cell(row, col), editor->text().toStdString()) << row << "," << col;
}

QString CellText(TFrmND& form, int row, int col)
{
    QTableWidgetItem* item = form.Grid()->item(row - 1, col);
    return item != nullptr ? item->text() : QString();
}

bool Enabled(TFrmND& form, const char* name)
{
    auto* b = Child<QToolButton>(&form, name);
    return b != nullptr && b->isEnabled();
}

void AnswerFileDialog(const QString& path)
{
    WhenModal<QFileDialog>([path](QFileDialog* d) {
        d->selectFile(path);
        static_cast<QDialog*>(d)->accept();
    });
}

std::string RunText(const std::string& cmd)
{
    return RunShell(cmd).Out;
}

class FrmND : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetNumericBeep([this] { ++Beeps; });
        Form.Table().Clock = &FixedTime;
        Form.show();
        Pump(10);
    }
    void TearDown() override
    {
        Form.Table().Modified = false;
        Form.hide();
        SetNumericBeep({});
    }
    TFrmND Form;
    QTemporaryDir Dir;
    int Beeps = 0;
};

TEST_F(FrmND, StandardsCurveSamplesUnitSaveAndOpen)
{
    EXPECT_EQ(Form.windowTitle(), QStringLiteral("浓度测量"));
    EXPECT_EQ(Form.Grid()->rowCount(), 1);
    EXPECT_FALSE(Enabled(Form, "btnBuildStd"));
    EXPECT_FALSE(Enabled(Form, "btnCeLiang"));

    const char* standards[3][2] = {{"0.25", "1"}, {"0.5", "2"}, {"0.75", "3"}};
    for (int r = 1; r <= 3; ++r) {
        if (r > 1) {
            ASSERT_TRUE(Enabled(Form, "btnAddItem")) << r;
            Click(&Form, "btnAddItem");
            EXPECT_FALSE(Enabled(Form, "btnAddItem"));
        }
        Type(Form, r, NDColAbs, QString::fromLatin1(standards[r - 1][0]));
        Type(Form, r, NDColQuartz, QString::fromLatin1(standards[r - 1][1]));
        EXPECT_EQ(CellText(Form, r, NDColCorr), QString::fromLatin1(standards[r - 1][1]));
    }
    // The numeric filter: "1a.2.3" keeps "1.23", one beep per dropped character.
    Type(Form, 1, NDColName, QStringLiteral("标样A"));
    Beeps = 0;
    Type(Form, 3, NDColRemark, QStringLiteral("x"));
    Type(Form, 3, NDColAbs, QStringLiteral("1a.2.3"));
    EXPECT_EQ(CellText(Form, 3, NDColAbs), QStringLiteral("1.23"));
    EXPECT_EQ(Beeps, 2);
    Type(Form, 3, NDColAbs, QStringLiteral("0.75"));
    // A date or content cell is refused: the current cell stays where it was.
    Form.Grid()->setCurrentCell(0, NDColDate);
    EXPECT_EQ(Form.Grid()->currentColumn(), NDColAbs);

    ASSERT_TRUE(Enabled(Form, "btnBuildStd"));
    Click(&Form, "btnBuildStd");
    EXPECT_EQ(Child<QLabel>(&Form, "labelC_A")->text(), QStringLiteral("C=4.00000×A + 0.0000 (mg)"));
    EXPECT_EQ(Child<QLabel>(&Form, "labelR")->text(), QStringLiteral("R=1.00000"));
    EXPECT_EQ(CellText(Form, 1, NDColLabel), QStringLiteral("√"));
    EXPECT_EQ(Form.Grid()->rowCount(), 4);
    EXPECT_EQ(Child<QListWidget>(&Form, "lstResidual")->count(), 3);

    // Sample 1: Abs typed, row chosen by its number, "测量".
    Type(Form, 4, NDColAbs, QStringLiteral("0.625"));
    Form.Grid()->setCurrentCell(3, NDColLabel);
    ASSERT_TRUE(Enabled(Form, "btnCeLiang"));
    Click(&Form, "btnCeLiang");
    EXPECT_EQ(CellText(Form, 4, NDColQuartz), QStringLiteral("2.5000"));
    EXPECT_EQ(CellText(Form, 4, NDColContent), QStringLiteral("100.0000"));
    // Sample 2 with its corrected mass, read off beyond the standards: "外推".
    Type(Form, 5, NDColCorr, QStringLiteral("5"));
    Type(Form, 5, NDColAbs, QStringLiteral("0.9"));
    Form.Grid()->setCurrentCell(4, NDColLabel);
    Click(&Form, "btnCeLiang");
    EXPECT_EQ(CellText(Form, 5, NDColQuartz), QStringLiteral("3.6000"));
    EXPECT_EQ(CellText(Form, 5, NDColContent), QStringLiteral("72.0000"));
    EXPECT_EQ(Form.Grid()->item(4, NDColAbs)->toolTip(), QStringLiteral("外推"));
    EXPECT_TRUE(Form.Grid()->item(3, NDColAbs)->toolTip().isEmpty());

    // "测量" without an Abs: the message, nothing changes.
    Form.Grid()->setCurrentCell(5, NDColLabel);
    TBoxSeen box;
    AnswerMessageBox(box);
    Form.OnMeasure();
    EXPECT_EQ(box.Text, QStringLiteral("请输入Abs"));
    EXPECT_EQ(box.Title, QStringLiteral("提示"));

    WhenModal<TDlgSetNDUnit>([](TDlgSetNDUnit* d) {
        d->List()->setCurrentIndex(1);
        Click(d, "btnOK");
    });
    Click(&Form, "ToolButton1");
    EXPECT_EQ(CellText(Form, 4, NDColQuartz), QStringLiteral("2500.0000"));
    EXPECT_EQ(CellText(Form, 5, NDColContent), QStringLiteral("72.0000"));
    EXPECT_EQ(Form.Grid()->horizontalHeaderItem(NDColQuartz)->text(), QStringLiteral("石英质量 (ug)"));
    EXPECT_EQ(Child<QLabel>(&Form, "labelC_A")->text(), QStringLiteral("C=4000.00000×A + 0.0000 (ug)"));

    const QString path = Dir.filePath(QStringLiteral("curve"));
    AnswerFileDialog(path);
    Click(&Form, "tbSave");
    const QString saved = path + QStringLiteral(".irc");
    ASSERT_TRUE(QFileInfo::exists(saved));
    EXPECT_EQ(QFileInfo(saved).size(), 55 + 124 * 5);
    EXPECT_FALSE(Form.Table().Modified);

    const auto cells = Form.Table().Cells;
    const QImage chart = Form.ChartImage().copy();
    const QString labelC = Child<QLabel>(&Form, "labelC_A")->text();
    Click(&Form, "tbNew");
    EXPECT_EQ(Form.Grid()->rowCount(), 1);
    EXPECT_EQ(Child<QLabel>(&Form, "labelC_A")->text(), QStringLiteral("C="));

    AnswerFileDialog(saved);
    Click(&Form, "tbOpen");
    EXPECT_EQ(Form.Table().Cells, cells);
    EXPECT_EQ(Form.ChartImage(), chart);
    EXPECT_EQ(Child<QLabel>(&Form, "labelC_A")->text(), labelC);
    EXPECT_FALSE(Form.Table().Modified);
    EXPECT_EQ(Form.Grid()->rowCount(), 6);

    // zq735-cli quant prints the same table and numbers.
    const std::string out =
        RunText(std::string(ZQ735_BIN_DIR) + "/app/zq735-cli quant '" + saved.toStdString() + "' 2>&1");
    EXPECT_NE(out.find("unit: ug"), std::string::npos) << out;
    EXPECT_NE(out.find("关系函数  " + labelC.toStdString()), std::string::npos) << out;
    EXPECT_NE(out.find("相关系数  R=1.00000"), std::string::npos) << out;
    EXPECT_NE(out.find("k = 4000\nb = 0\nR = 1\n"), std::string::npos) << out;
    for (int r = 0; r <= 5; ++r) {
        std::string line;
        for (int c = 0; c < NDColumns; ++c)
            line += (c > 0 ? "\t" : "") + Form.Table().Cell(r, c);
        EXPECT_NE(out.find(line + "\n"), std::string::npos) << line;
    }
    EXPECT_NE(out.find("样品2  未命名5  Abs 0.900000  石英质量 3600.0000 ug  校正质量 5000.0000 ug  石英含量 "
                       "72.0000%  外推"),
              std::string::npos)
        << out;
}

TEST_F(FrmND, RefusedOpenAndSaveKeepTheTable)
{
    Type(Form, 1, NDColAbs, QStringLiteral("0.3"));
    // One incomplete row cannot be saved.
    TBoxSeen box;
    AnswerMessageBox(box);
    EXPECT_EQ(Form.SaveWithDialog(), -1);
    EXPECT_EQ(box.Text, QStringLiteral("表中有未完成项，无法存盘!"));
    EXPECT_TRUE(Form.Table().Modified);

    // "打开" on a changed table asks first; No, then a damaged file.
    const QString bad = Dir.filePath(QStringLiteral("bad.irc"));
    {
        QFile f(bad);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray("kdm-41irc\0\x65\0\0\0", 14));
    }
    WhenModal<QMessageBox>([bad](QMessageBox* q) {
        EXPECT_EQ(q->text(), QStringLiteral("测量内容已经改变，是否保存？"));
        AnswerFileDialog(bad);
        q->done(QMessageBox::No);
    });
    TBoxSeen refused;
    QTimer::singleShot(0, [&refused] { AnswerMessageBox(refused); });
    Click(&Form, "tbOpen");
    Pump(20);
    EXPECT_EQ(refused.Text, QStringLiteral("未知错误，无法打开文件！"));
    EXPECT_EQ(CellText(Form, 1, NDColAbs), QStringLiteral("0.3"));
    EXPECT_TRUE(Form.Table().Modified);
}

// A table of `rows` standards (Abs 0.1·r, mass r) saved to `path`, its curve
// built when asked, with `samples` samples measured on it.
void SaveStandards(const QString& path, int rows, bool built, int samples = 0)
{
    TNDTable t;
    t.Clock = &FixedTime;
    t.ResetTable();
    for (int r = 1; r <= rows; ++r) {
        if (r > 1) {
            ASSERT_TRUE(t.AddRow());
        }
        t.EditCell(r, NDColAbs, std::to_string(0.1 * r));
        t.EditCell(r, NDColQuartz, std::to_string(r));
    }
    if (built)
        t.BuildCurve();
    for (int i = 0; i < samples; ++i) {
        const int row = t.StdCount + 1 + i;
        ASSERT_TRUE(t.FocusCell(row, NDColAbs));
        t.EditCell(row, NDColAbs, std::to_string(0.05 + 0.1 * i));
        ASSERT_TRUE(t.FocusCell(row, NDColLabel));
        ASSERT_EQ(t.MeasureSample(), 0);
    }
    ASSERT_EQ(t.SaveCurveFile(path.toStdString()), 0);
}

// The grid shows exactly the table, and the table is the one `expected` holds.
void ExpectShows(TFrmND& form, const TNDTable& expected, const char* step)
{
    const TNDTable& t = form.Table();
    EXPECT_EQ(t.Cells, expected.Cells) << step;
    EXPECT_EQ(t.ItemCount, expected.ItemCount) << step;
    EXPECT_FALSE(t.Modified) << step;
    ASSERT_EQ(form.Grid()->rowCount(), t.DataRows()) << step;
    for (int r = 1; r <= t.DataRows(); ++r)
        for (int c = 0; c < NDColumns; ++c)
            EXPECT_EQ(CellText(form, r, c).toStdString(), t.Cell(r, c)) << step << " " << r << "," << c;
    for (QLineEdit* e : form.Grid()->viewport()->findChildren<QLineEdit*>()) {
        if (e->isVisible()) {
            EXPECT_EQ(e->text().toStdString(),
                      t.Cell(form.Grid()->currentRow() + 1, form.Grid()->currentColumn()))
                << step;
        }
    }
}

// The table gets shorter under a cell whose editor is open: a new table after
// typing into a second row, a new table after opening one, and a shorter table
// opened over a longer one.
TEST_F(FrmND, ATableGettingShorterUnderAnOpenEditor)
{
    TNDTable fresh;
    fresh.Clock = &FixedTime;
    fresh.ResetTable();

    Type(Form, 1, NDColAbs, QStringLiteral("0.3"));
    Type(Form, 1, NDColQuartz, QStringLiteral("1"));
    Click(&Form, "btnAddItem");
    Type(Form, 2, NDColAbs, QStringLiteral("0.6"));
    ASSERT_TRUE(Form.Grid()->Editing());
    WhenModal<QMessageBox>([](QMessageBox* q) { q->done(QMessageBox::No); });
    Click(&Form, "tbNew");
    Pump(10);
    ExpectShows(Form, fresh, "new after typing");

    const QString three = Dir.filePath(QStringLiteral("three.irc"));
    SaveStandards(three, 3, false);
    AnswerFileDialog(three);
    Click(&Form, "tbOpen");
    ASSERT_EQ(Form.Table().DataRows(), 4);
    ASSERT_TRUE(Form.Grid()->Editing());
    Click(&Form, "tbNew");
    Pump(10);
    ExpectShows(Form, fresh, "new after opening");

    const QString seven = Dir.filePath(QStringLiteral("seven.irc"));
    const QString five = Dir.filePath(QStringLiteral("five.irc"));
    SaveStandards(seven, 5, true, 2);
    SaveStandards(five, 3, true, 2);
    AnswerFileDialog(seven);
    Click(&Form, "tbOpen");
    ASSERT_EQ(Form.Table().DataRows(), 8);
    ASSERT_TRUE(Form.Grid()->Editing());
    AnswerFileDialog(five);
    Click(&Form, "tbOpen");
    Pump(10);
    TNDTable opened;
    opened.Clock = &FixedTime;
    opened.ResetTable();
    ASSERT_EQ(opened.LoadCurveFile(five.toStdString()), 0);
    opened.FinishOpen();
    ExpectShows(Form, opened, "shorter table opened");
}

// A falling curve is built and named; a sound one is not; the limit of
// detection is given in the mass unit as well.
TEST_F(FrmND, DoubtfulCurveIsNamedAndTheLimitIsInTheMassUnit)
{
    auto* notice = Child<QLabel>(&Form, "labelNotice");
    ASSERT_NE(notice, nullptr);
    const char* standards[3][2] = {{"0.1", "3"}, {"0.2", "2.1"}, {"0.3", "1"}};
    for (int r = 1; r <= 3; ++r) {
        if (r > 1)
            Click(&Form, "btnAddItem");
        Type(Form, r, NDColAbs, QString::fromLatin1(standards[r - 1][0]));
        Type(Form, r, NDColQuartz, QString::fromLatin1(standards[r - 1][1]));
    }
    EXPECT_TRUE(notice->text().isEmpty());
    Click(&Form, "btnBuildStd");
    EXPECT_TRUE(Form.Table().CurveBuilt);
    EXPECT_EQ(notice->text(), QStringLiteral("工作曲线斜率为负：石英质量随Abs增大而减小"));
    const QString lod = Child<QLabel>(&Form, "labelLOD")->text();
    EXPECT_EQ(lod.toStdString(), Form.Table().LodText());
    EXPECT_TRUE(lod.endsWith(QStringLiteral(" mg (3s/|k|)"))) << lod.toStdString();
}

size_t Count(const std::string& text, const std::string& what)
{
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size()))
        ++n;
    return n;
}

TEST_F(FrmND, LongTablePrintsOnNumberedContinuationPages)
{
    TNDTable& t = Form.Table();
    for (int r = 1; r <= 90; ++r) {
        if (r > 1) {
            ASSERT_TRUE(t.AddRow());
        }
        t.EditCell(r, NDColAbs, std::to_string(0.01 * r));
        t.EditCell(r, NDColQuartz, std::to_string(0.1 * r));
    }
    t.BuildCurve();
    Form.Refresh();
    const QString pdf = Dir.filePath(QStringLiteral("table.pdf"));
    Form.SetPrintFile(pdf);
    WhenModal<TDlgNDPrnSet>([](TDlgNDPrnSet* d) {
        Click(d, "btnPrint");  // nothing ticked: stays open
        EXPECT_TRUE(d->isVisible());
        Child<QCheckBox>(d, "cbStd")->setChecked(true);
        Child<QCheckBox>(d, "cbData")->setChecked(true);
        Click(d, "btnPrint");
    });
    Click(&Form, "tbPrint");
    ASSERT_TRUE(QFileInfo::exists(pdf));
    const std::string text = RunText("pdftotext -layout '" + pdf.toStdString() + "' -");
    const int pages = std::stoi(RunText("pdfinfo '" + pdf.toStdString() + "' | awk '/^Pages:/ {print $2}'"));
    ASSERT_GE(pages, 2) << text;
    EXPECT_EQ(Count(text, "红外分光光度计ZQ735浓度工作曲线"), static_cast<size_t>(pages));
    EXPECT_EQ(Count(text, "<续表>"), static_cast<size_t>(pages - 1));
    EXPECT_EQ(Count(text, "石英含量％"), static_cast<size_t>(pages));
    // (pdftotext makes one blank of the two after each caption.)
    EXPECT_NE(text.find("关系函数 C=10.00000×A"), std::string::npos) << text.substr(0, 1500);
    EXPECT_NE(text.find("相关系数 R=1.00000"), std::string::npos);
    // The limit of detection in Abs and in the table's mass unit.
    const size_t lod = text.find("检出限");
    ASSERT_NE(lod, std::string::npos);
    const std::string lodLine = text.substr(lod, text.find('\n', lod) - lod);
    EXPECT_NE(lodLine.find(" Abs = "), std::string::npos) << lodLine;
    EXPECT_NE(lodLine.find(" mg (3s/|k|)"), std::string::npos) << lodLine;
    // The date column is never printed; the last (empty) row is.
    EXPECT_EQ(text.find("2004-7-19"), std::string::npos);
    EXPECT_EQ(text.find("日期"), std::string::npos);
    EXPECT_NE(text.find("未命名91"), std::string::npos);
    // Page numbers 1 .. pages, each at the foot of its page.
    size_t at = 0;
    for (int p = 1; p <= pages; ++p) {
        const size_t page = text.find('\f', at);
        const std::string body = text.substr(at, page == std::string::npos ? std::string::npos : page - at);
        const size_t last = body.find_last_not_of(" \n");
        ASSERT_NE(last, std::string::npos);
        const size_t lineStart = body.find_last_of('\n', last);
        std::string foot = body.substr(lineStart == std::string::npos ? 0 : lineStart + 1, last - lineStart);
        foot.erase(0, foot.find_first_not_of(' '));
        EXPECT_EQ(foot, std::to_string(p)) << "page " << p;
        at = page + 1;
    }
}

}  // namespace
