// The quantitative table without widgets: the worked numbers of the fit, the
// unit conversions, the grid's rules and the working-curve file, read back by
// a reader written here from the file's offsets.

#include "quant/NDTable.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/support/FullDisk.h"
#include "tests/support/Run.h"
#include "text/GbkText.h"

namespace {

struct TStd {
    const char* Abs;
    const char* Mass;
};

TNDSystemTime FixedTime()
{
    TNDSystemTime t;
    t.Year = 2004;
    t.Month = 7;
    t.DayOfWeek = 1;
    t.Day = 19;
    t.Hour = 17;
    t.Minute = 20;
    t.Second = 23;
    return t;
}

// A fresh table with the standards typed in, one row after the other, as an
// operator does ("新增" between rows).
void TypeStandards(TNDTable& t, const std::vector<TStd>& rows)
{
    t.Clock = &FixedTime;
    t.ResetTable();
    for (size_t i = 0; i < rows.size(); ++i) {
        if (i > 0) {
            ASSERT_TRUE(t.AddRow());
        }
        const int r = static_cast<int>(i) + 1;
        t.EditCell(r, NDColAbs, rows[i].Abs);
        t.EditCell(r, NDColQuartz, rows[i].Mass);
    }
}

// Selects the row through its number cell, as the "测量" workflow does.
void Measure(TNDTable& t, int row, const char* abs)
{
    ASSERT_TRUE(t.FocusCell(row, NDColAbs));
    t.EditCell(row, NDColAbs, abs);
    ASSERT_TRUE(t.FocusCell(row, NDColLabel));
    ASSERT_EQ(t.MeasureSample(), 0);
}

std::filesystem::path TempFile(const std::string& name)
{
    return std::filesystem::temp_directory_path() / ("zq735-nd-" + std::to_string(::getpid()) + "-" + name);
}

std::string ReadAll(const std::filesystem::path& p)
{
    std::ifstream f(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

void WriteAll(const std::filesystem::path& p, const std::string& bytes)
{
    std::ofstream f(p, std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// The test's own reading of the format, from its documented offsets.
int32_t I32At(const std::string& b, size_t at)
{
    uint32_t u = 0;
    for (int i = 3; i >= 0; --i)
        u = (u << 8) | static_cast<uint8_t>(b[at + static_cast<size_t>(i)]);
    return static_cast<int32_t>(u);
}
float F32At(const std::string& b, size_t at)
{
    const uint32_t u = static_cast<uint32_t>(I32At(b, at));
    float f;
    std::memcpy(&f, &u, 4);
    return f;
}
uint16_t U16At(const std::string& b, size_t at)
{
    return static_cast<uint16_t>(static_cast<uint8_t>(b[at]) | (static_cast<uint8_t>(b[at + 1]) << 8));
}

TEST(NDTable, WorkedCurveGivesExactSlopeInterceptAndLabels)
{
    TNDTable t;
    TypeStandards(t, {{"0.25", "1"}, {"0.5", "2"}, {"0.75", "3"}});
    EXPECT_EQ(t.Cell(1, NDColCorr), "1");  // the corrected mass follows the quartz mass
    EXPECT_TRUE(t.BuildEnabled);
    t.BuildCurve();
    ASSERT_TRUE(t.CurveBuilt);
    EXPECT_EQ(t.StdCount, 3);
    EXPECT_EQ(t.Slope, 4.0f);
    EXPECT_EQ(t.Intercept, 0.0f);
    EXPECT_EQ(t.CorrCoef, 1.0f);
    EXPECT_EQ(t.LabelCA, "C=4.00000×A + 0.0000 (mg)");
    EXPECT_EQ(t.LabelR, "R=1.00000");
    // Standards marked, values rewritten from the items, one empty sample row.
    EXPECT_EQ(t.Cell(2, NDColLabel), "√");
    EXPECT_EQ(t.Cell(2, NDColAbs), "0.500000");
    EXPECT_EQ(t.Cell(2, NDColQuartz), "2.0000");
    EXPECT_EQ(t.Cell(2, NDColContent), "100.0000");
    EXPECT_EQ(t.RowCount(), 5);
    EXPECT_EQ(t.Cell(4, NDColLabel), "1");
    EXPECT_TRUE(t.MeasureEnabled);
    EXPECT_EQ(t.SelRow, 4);

    // Sample 1 with an empty corrected mass, sample 2 with 5 typed first.
    Measure(t, 4, "0.625");
    EXPECT_EQ(t.Cell(4, NDColAbs), "0.625000");
    EXPECT_EQ(t.Cell(4, NDColQuartz), "2.5000");
    EXPECT_EQ(t.Cell(4, NDColCorr), "2.5000");
    EXPECT_EQ(t.Cell(4, NDColContent), "100.0000");
    ASSERT_EQ(t.RowCount(), 6);
    ASSERT_TRUE(t.FocusCell(5, NDColCorr));
    t.EditCell(5, NDColCorr, "5");
    Measure(t, 5, "0.625");
    EXPECT_EQ(t.Cell(5, NDColCorr), "5");
    EXPECT_EQ(t.Cell(5, NDColContent), "50.0000");

    // Again with the same standards: the same numbers.
    t.BuildCurve();
    EXPECT_EQ(t.Slope, 4.0f);
    EXPECT_EQ(t.Intercept, 0.0f);
    EXPECT_EQ(t.CorrCoef, 1.0f);

    // mg -> ug: masses times 1000, contents kept, k refitted.
    t.ChangeUnit(1);
    EXPECT_EQ(t.Cell(4, NDColQuartz), "2500.0000");
    EXPECT_EQ(t.Cell(5, NDColCorr), "5000.0000");
    EXPECT_EQ(t.Cell(5, NDColContent), "50.0000");
    EXPECT_EQ(t.Cell(0, NDColQuartz), "石英质量 (ug)");
    EXPECT_EQ(t.Slope, 4000.0f);
    EXPECT_EQ(t.LabelCA, "C=4000.00000×A + 0.0000 (ug)");
}

TEST(NDTable, FloatResiduesOfTheFitAreReproduced)
{
    TNDTable t;
    TypeStandards(t, {{"0.2", "1"}, {"0.4", "2"}});
    t.BuildCurve();
    EXPECT_EQ(t.Slope, 5.0f);
    // 1.5 - 5 * 0.3000000119 formed in extended precision, stored as a float.
    EXPECT_NEAR(t.Intercept, -5.96e-8f, 0.01e-8f);
    EXPECT_LT(t.Intercept, 0.0f);
    EXPECT_EQ(t.LabelCA, "C=5.00000×A - 0.0000 (mg)");
    const float b = t.Intercept;
    t.BuildCurve();
    EXPECT_EQ(t.Intercept, b);

    // All absorbances equal: k = 0, b = mean mass, R = 0, no failure.
    TNDTable flat;
    TypeStandards(flat, {{"0.3", "1"}, {"0.3", "3"}});
    flat.BuildCurve();
    EXPECT_EQ(flat.Slope, 0.0f);
    EXPECT_EQ(flat.Intercept, 2.0f);
    EXPECT_EQ(flat.CorrCoef, 0.0f);
}

// A unit change scales what the table holds, not the four decimals it shows:
// every step keeps the contents and R, every mass is the start's times a
// power of 1000, and coming back to the start unit gives the table back.
TEST(NDTable, UnitChangesAreExactAndReversible)
{
    struct TCase {
        const char* Name;
        int Start;
        std::vector<TStd> Standards;
        bool Build;
        const char* SampleAbs;  // measured after the build, or null
        std::vector<int> Path;  // the units chosen one after the other; the last is Start
    };
    const TCase cases[] = {
        {"ng standards through mg",
         2,
         {{"0.1", "12.3"}, {"0.2", "45.6"}, {"0.3", "78.9"}, {"0.4", "123.4"}},
         true,
         nullptr,
         {0, 2}},
        {"mg sample at 100 % through ug and ng",
         0,
         {{"0.123", "1.2345"}, {"0.456", "4.5678"}, {"0.789", "7.8912"}},
         true,
         "0.5",
         {1, 2, 1, 0}},
        {"typed digits beyond the shown four",
         0,
         {{"0.1", "0.12345"}, {"0.2", "0.23456"}},
         false,
         nullptr,
         {1, 0, 2, 0}},
    };
    for (const TCase& c : cases) {
        TNDTable t;
        t.Clock = &FixedTime;
        t.ResetTable();
        t.ChangeUnit(c.Start);
        for (size_t i = 0; i < c.Standards.size(); ++i) {
            if (i > 0) {
                ASSERT_TRUE(t.AddRow()) << c.Name;
            }
            t.EditCell(static_cast<int>(i) + 1, NDColAbs, c.Standards[i].Abs);
            t.EditCell(static_cast<int>(i) + 1, NDColQuartz, c.Standards[i].Mass);
        }
        if (c.Build)
            t.BuildCurve();
        if (c.SampleAbs != nullptr)
            Measure(t, t.StdCount + 1, c.SampleAbs);
        // The same unit again shows every mass with four decimals.
        t.ChangeUnit(c.Start);
        const TNDTable start = t;
        // The rows that hold masses (not the fresh row a build or a measurement appends).
        int rows = 0;
        while (rows < t.DataRows() && t.CellIsNumber(rows + 1, NDColQuartz))
            ++rows;
        if (c.SampleAbs != nullptr) {
            ASSERT_EQ(t.Cell(rows, NDColContent), "100.0000") << c.Name;
        }

        for (int unit : c.Path) {
            t.ChangeUnit(unit);
            const double factor = std::pow(1000.0, unit - c.Start);
            for (int r = 1; r <= rows; ++r) {
                const TNDItem& was = start.Items[static_cast<size_t>(r - 1)];
                const TNDItem& now = t.Items[static_cast<size_t>(r - 1)];
                EXPECT_NEAR(now.QuartzMass / factor, was.QuartzMass, 1e-6 * std::fabs(was.QuartzMass))
                    << c.Name << " unit " << unit << " row " << r;
                EXPECT_NEAR(now.CorrMass / factor, was.CorrMass, 1e-6 * std::fabs(was.CorrMass)) << c.Name;
                EXPECT_EQ(t.Cell(r, NDColContent), start.Cell(r, NDColContent)) << c.Name << " unit " << unit;
            }
            EXPECT_EQ(t.CorrCoef, start.CorrCoef) << c.Name;
            EXPECT_NEAR(t.Slope / factor, start.Slope, 1e-6 * std::fabs(start.Slope)) << c.Name;
        }
        EXPECT_EQ(t.Cells, start.Cells) << c.Name;
        for (int i = 0; i < rows; ++i) {
            EXPECT_EQ(t.Items[static_cast<size_t>(i)].QuartzMass,
                      start.Items[static_cast<size_t>(i)].QuartzMass)
                << c.Name << " item " << i;
            EXPECT_EQ(t.Items[static_cast<size_t>(i)].CorrMass, start.Items[static_cast<size_t>(i)].CorrMass)
                << c.Name << " item " << i;
        }
        EXPECT_EQ(t.Slope, start.Slope) << c.Name;
        EXPECT_EQ(t.Intercept, start.Intercept) << c.Name;
        EXPECT_EQ(t.LabelCA, start.LabelCA) << c.Name;
    }
}

// The limit of detection, 3s/|k| in Abs, is the same limit as 3s in the
// mass unit, and follows the unit.
TEST(NDTable, LimitOfDetectionInAbsAndInTheMassUnit)
{
    TNDTable t;
    TypeStandards(t, {{"0.1", "1.1"}, {"0.2", "1.9"}, {"0.3", "3.2"}});
    t.BuildCurve();
    const TNDFitStats s = t.FitStats();
    ASSERT_TRUE(s.HasLod);
    EXPECT_NEAR(s.LodMass, s.Lod * std::fabs(t.Slope), 1e-9);
    EXPECT_EQ(t.LodText(),
              FormatFixed(s.Lod, 6) + " Abs = " + FormatFixed(3 * s.StdError, 4) + " mg (3s/|k|)");
    t.ChangeUnit(1);
    const TNDFitStats ug = t.FitStats();
    EXPECT_NEAR(ug.Lod, s.Lod, 1e-6 * s.Lod);
    EXPECT_NEAR(ug.LodMass, 1000 * s.LodMass, 1e-6 * ug.LodMass);
    EXPECT_NE(t.LodText().find(" ug (3s/|k|)"), std::string::npos) << t.LodText();
}

// Curves that may be meant but are doubtful are built, each with its warning.
TEST(NDTable, DoubtfulCurvesAreBuiltWithAWarning)
{
    struct TCase {
        const char* Name;
        std::vector<TStd> Standards;
        const char* SampleCorr;  // typed into the first sample row before measuring it at Abs 0.625
        std::vector<std::string> Warnings;
    };
    const TCase cases[] = {
        {"sound", {{"0.25", "1"}, {"0.5", "2"}, {"0.75", "3"}}, nullptr, {}},
        {"one Abs",
         {{"0.3", "1"}, {"0.3", "3"}},
         nullptr,
         {"标样的Abs全部相同：斜率为0，工作曲线不能用于测量"}},
        {"zero mass", {{"0.1", "0"}, {"0.2", "1"}}, nullptr, {"标样中有零或负的石英质量"}},
        {"falling", {{"0.1", "3"}, {"0.2", "1"}}, nullptr, {"工作曲线斜率为负：石英质量随Abs增大而减小"}},
        {"content above 100 %",
         {{"0.25", "1"}, {"0.5", "2"}, {"0.75", "3"}},
         "1",
         {"石英含量超过100％：第4行"}},
    };
    for (const TCase& c : cases) {
        TNDTable t;
        TypeStandards(t, c.Standards);
        t.BuildCurve();
        ASSERT_TRUE(t.CurveBuilt) << c.Name;
        if (c.SampleCorr != nullptr) {
            const int row = t.StdCount + 1;
            t.EditCell(row, NDColCorr, c.SampleCorr);
            Measure(t, row, "0.625");
        }
        EXPECT_EQ(t.CurveWarnings(), c.Warnings) << c.Name;
    }
}

TEST(NDTable, GridRulesOfSelectionEditingAndDeletion)
{
    TNDTable t;
    TypeStandards(t, {{"0.25", "1"}});
    // Before the build: corrected mass, content, count and date refuse the cell.
    for (int c : {NDColCorr, NDColContent, NDColCount, NDColDate})
        EXPECT_FALSE(t.CanSelectCell(1, c)) << c;
    EXPECT_TRUE(t.CanSelectCell(1, NDColQuartz));
    EXPECT_FALSE(t.CanSelectCell(0, NDColName));

    // A 25-byte name keeps 19 bytes, a double-byte character is never split.
    EXPECT_EQ(t.EditCell(1, NDColName, "ABCDEFGHIJKLMNOPQRSTUVWXY"), "ABCDEFGHIJKLMNOPQRS");
    EXPECT_EQ(std::string(t.Items[0].ItemName), "ABCDEFGHIJKLMNOPQRS");
    EXPECT_EQ(t.EditCell(1, NDColNumber, "ABCDEFGHIJKLMNOPQR石英"), "ABCDEFGHIJKLMNOPQR");
    EXPECT_EQ(GbkLength(t.EditCell(1, NDColRemark, std::string(30, 'x') + "石英石英石英石英石英石英")), 48u);
    EXPECT_TRUE(t.Modified);

    // An incomplete row blocks "新增"; a changed Abs resets the count.
    ASSERT_TRUE(t.AddRow());
    EXPECT_FALSE(t.AddEnabled);
    EXPECT_FALSE(t.AddRow());
    t.EditCell(2, NDColAbs, "0.5");
    EXPECT_FALSE(t.BuildEnabled);
    t.EditCell(2, NDColQuartz, "2");
    EXPECT_TRUE(t.AddEnabled);
    EXPECT_TRUE(t.BuildEnabled);

    t.BuildCurve();
    // Standards are locked; samples edit name, number, Abs, corrected mass, remark.
    for (int c = 0; c < NDColumns; ++c)
        EXPECT_FALSE(t.CanSelectCell(1, c)) << c;
    for (int c : {NDColName, NDColNumber, NDColAbs, NDColCorr, NDColRemark, NDColLabel})
        EXPECT_TRUE(t.CanSelectCell(3, c)) << c;
    for (int c : {NDColQuartz, NDColContent, NDColCount, NDColDate})
        EXPECT_FALSE(t.CanSelectCell(3, c)) << c;

    // A refused cell from column 0 moves the focus to column 2 of the row.
    ASSERT_TRUE(t.FocusCell(3, NDColLabel));
    EXPECT_FALSE(t.FocusCell(3, NDColDate));
    EXPECT_EQ(t.CurCol, NDColNumber);
    EXPECT_EQ(t.SelRow, -1);
    EXPECT_FALSE(t.DeleteEnabled);

    // A standard cannot be deleted; the only sample row leaves a fresh one.
    t.SelRow = 1;
    EXPECT_FALSE(t.DeleteSelectedRow());
    ASSERT_TRUE(t.FocusCell(3, NDColAbs));
    t.EditCell(3, NDColAbs, "0.3");
    ASSERT_TRUE(t.FocusCell(3, NDColLabel));
    ASSERT_TRUE(t.DeleteSelectedRow());
    EXPECT_EQ(t.ItemCount, 3);
    EXPECT_EQ(t.RowCount(), 4);
    EXPECT_EQ(t.Cell(3, NDColAbs), "");
    EXPECT_EQ(t.Cell(3, NDColLabel), "1");
    EXPECT_EQ(t.Cell(3, NDColName), "未命名3");
}

TEST(NDTable, DeletingMovesRowsAndItemsUp)
{
    TNDTable t;
    TypeStandards(t, {{"0.1", "1"}, {"0.2", "2"}, {"0.3", "3"}});
    t.EditCell(2, NDColName, "second");
    ASSERT_TRUE(t.FocusCell(1, NDColLabel));
    EXPECT_TRUE(t.DeleteEnabled);
    ASSERT_TRUE(t.DeleteSelectedRow());
    EXPECT_EQ(t.ItemCount, 2);
    EXPECT_EQ(t.Cell(1, NDColName), "second");
    EXPECT_EQ(t.Cell(1, NDColLabel), "1");
    EXPECT_EQ(std::string(t.Items[0].ItemName), "second");
    EXPECT_EQ(t.Items[1].AbsValue, 0.3f);
}

TEST(NDTable, AddRowStopsAtFiveHundredRows)
{
    TNDTable t;
    t.ResetTable();
    for (int r = 1; r <= TNDTable::MaxItems; ++r) {
        if (r > 1) {
            ASSERT_TRUE(t.AddRow()) << r;
        }
        t.EditCell(r, NDColAbs, "0.1");
        t.EditCell(r, NDColQuartz, "1");
    }
    EXPECT_FALSE(t.AddRow());
    EXPECT_EQ(t.ItemCount, TNDTable::MaxItems);
    EXPECT_EQ(t.RowCount(), TNDTable::MaxItems + 1);
}

TEST(NDFile, SavedFieldsLieAtTheirOffsets)
{
    TNDTable t;
    TypeStandards(t, {{"0.25", "1"}, {"0.5", "2"}, {"0.75", "3"}});
    t.EditCell(1, NDColName, "石英标样");
    t.EditCell(1, NDColRemark, "备注A");
    t.BuildCurve();
    Measure(t, 4, "0.625");
    t.ChangeUnit(1);
    const auto path = TempFile("offsets.irc");
    ASSERT_EQ(t.SaveCurveFile(path.string()), 0);
    const std::string b = ReadAll(path);
    // 3 standards + 1 sample; the empty last row stays out of the file.
    ASSERT_EQ(b.size(), 55u + 124u * 4);
    EXPECT_EQ(b.substr(0, 10), std::string("kdm-41irc\0", 10));
    EXPECT_EQ(I32At(b, 10), 101);
    EXPECT_EQ(I32At(b, 14), 4);
    EXPECT_EQ(I32At(b, 18), 3);
    EXPECT_EQ(b[22], 1);
    EXPECT_EQ(I32At(b, 23), 1);
    EXPECT_EQ(F32At(b, 27), 250.0f / 1000);  // XMin, Abs
    EXPECT_EQ(F32At(b, 31), 0.75f);
    EXPECT_EQ(F32At(b, 35), 1000.0f);  // YMin, ug
    EXPECT_EQ(F32At(b, 39), 3000.0f);
    EXPECT_EQ(F32At(b, 43), 4000.0f);
    EXPECT_EQ(F32At(b, 47), 0.0f);
    EXPECT_EQ(F32At(b, 51), 1.0f);
    const size_t r0 = 55;
    EXPECT_EQ(b.substr(r0, 9), Utf8ToGbk("石英标样") + '\0');
    EXPECT_EQ(b.substr(r0 + 20, 6), std::string("编号1\0", 6).substr(0, 0) + Utf8ToGbk("编号1") + '\0');
    EXPECT_EQ(F32At(b, r0 + 40), 0.25f);
    EXPECT_EQ(F32At(b, r0 + 44), 1000.0f);
    EXPECT_EQ(F32At(b, r0 + 48), 1000.0f);
    EXPECT_EQ(I32At(b, r0 + 52), 1);
    EXPECT_EQ(U16At(b, r0 + 56), 2004);
    EXPECT_EQ(U16At(b, r0 + 58), 7);
    EXPECT_EQ(U16At(b, r0 + 62), 19);
    EXPECT_EQ(U16At(b, r0 + 64), 17);
    EXPECT_EQ(U16At(b, r0 + 66), 20);
    EXPECT_EQ(U16At(b, r0 + 68), 23);
    EXPECT_EQ(b.substr(r0 + 72, 6), Utf8ToGbk("备注A") + '\0');
    EXPECT_EQ(b[r0 + 122], 1);
    EXPECT_EQ(b[r0 + 123], 0);
    const size_t s1 = 55 + 3 * 124;
    EXPECT_EQ(F32At(b, s1 + 40), 0.625f);
    EXPECT_EQ(F32At(b, s1 + 44), 2500.0f);
    EXPECT_EQ(F32At(b, s1 + 48), 2500.0f);

    // Read back: the same table, labels and ranges.
    TNDTable u;
    u.Clock = &FixedTime;
    u.ResetTable();
    ASSERT_EQ(u.LoadCurveFile(path.string()), 0);
    u.FinishOpen();
    EXPECT_FALSE(u.Modified);
    ASSERT_EQ(u.RowCount(), t.RowCount());
    for (int r = 0; r < t.RowCount(); ++r)
        for (int c = 0; c < NDColumns; ++c)
            EXPECT_EQ(u.Cell(r, c), t.Cell(r, c)) << r << "," << c;
    EXPECT_EQ(u.LabelCA, t.LabelCA);
    EXPECT_EQ(u.LabelR, t.LabelR);
    EXPECT_EQ(u.XMax, t.XMax);
    EXPECT_EQ(u.YMax, t.YMax);
    std::filesystem::remove(path);
}

TEST(NDFile, SavingNeedsCompleteRows)
{
    TNDTable t;
    t.Clock = &FixedTime;
    t.ResetTable();
    int count = -1;
    EXPECT_FALSE(t.CheckSaveable(count));  // one incomplete row
    const auto path = TempFile("refused.irc");
    EXPECT_EQ(t.SaveCurveFile(path.string()), NDFileCannotOpen);
    EXPECT_FALSE(std::filesystem::exists(path));
    TypeStandards(t, {{"0.1", "1"}, {"0.2", "2"}});
    ASSERT_TRUE(t.AddRow());
    ASSERT_TRUE(t.CheckSaveable(count));
    EXPECT_EQ(count, 2);
    t.EditCell(1, NDColAbs, "");
    EXPECT_FALSE(t.CheckSaveable(count));
    EXPECT_EQ(t.SaveCurveFile((TempFile("none") / "x.irc").string()), NDFileCannotOpen);
}

// A disk that fills up while the working curve is saved: "文件存盘错误!"
// follows from the failure, and the file saved before stays whole.
TEST(NDFile, AFullDiskFailsTheSaveAndKeepsThePreviousFile)
{
    TNDTable t;
    TypeStandards(t, {{"0.25", "1"}, {"0.5", "2"}});
    t.BuildCurve();
    const auto path = TempFile("full.irc");
    ASSERT_EQ(t.SaveCurveFile(path.string()), 0);
    const std::string before = ReadAll(path);

    TypeStandards(t, {{"0.25", "1"}, {"0.5", "2"}, {"0.75", "3"}});
    t.BuildCurve();
    {
        TFullDisk full(before.size() + 10);
        ASSERT_TRUE(full.Active());
        EXPECT_EQ(t.SaveCurveFile(path.string()), NDFileCannotOpen);
    }
    EXPECT_EQ(ReadAll(path), before);
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(path.parent_path()))
        files += entry.path().filename().string().find(path.filename().string()) != std::string::npos;
    EXPECT_EQ(files, 1);  // no temporary left beside it
    std::filesystem::remove(path);
}

// Header bytes of a file with `rows` records of a table of two standards.
std::string FileBytes(int version, int32_t rows, int32_t stdCount = 2, int32_t unit = 0)
{
    std::string b("kdm-41irc\0", 10);
    auto i32 = [&](int32_t v) {
        for (int i = 0; i < 4; ++i)
            b.push_back(static_cast<char>((static_cast<uint32_t>(v) >> (8 * i)) & 0xFF));
    };
    i32(version);
    i32(rows);
    i32(stdCount);
    b.push_back(1);
    if (version >= 101)
        i32(unit);
    const float header[7] = {0.1f, 0.2f, 1, 2, 10, 0, 1};
    for (float f : header) {
        uint32_t u;
        std::memcpy(&u, &f, 4);
        i32(static_cast<int32_t>(u));
    }
    for (int r = 0; r < rows; ++r) {
        TNDItem it{};
        SetGbkField(it.ItemName, "s" + std::to_string(r));
        it.AbsValue = 0.1f * static_cast<float>(r + 1);
        it.QuartzMass = it.CorrMass = static_cast<float>(r + 1);
        it.MeasCount = 1;
        it.MeasDate = FixedTime();
        it.Complete = 1;
        const TNDItemBytes bytes = SerializeNDItem(it);
        b.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    }
    return b;
}

std::string WithFloat(std::string bytes, size_t at, float value)
{
    std::memcpy(bytes.data() + at, &value, 4);
    return bytes;
}

TEST(NDFile, OpeningRefusesWhatItCannotReadAndKeepsTheTable)
{
    struct TCase {
        const char* Name;
        std::string Bytes;
        int Result;
    };
    std::string badMagic = FileBytes(101, 2);
    badMagic[0] = 'K';
    std::string truncated = FileBytes(101, 2);
    truncated.resize(truncated.size() - 1);
    const TCase cases[] = {
        {"magic", badMagic, NDFileCannotOpen},
        {"empty", "", NDFileCannotOpen},
        {"newer", FileBytes(102, 2), NDFileVersion},
        {"501 rows", FileBytes(101, 501), NDFileTooManyRows},
        {"ends early", truncated, NDFileDamaged},
        {"header only", FileBytes(101, 2).substr(0, 20), NDFileDamaged},
        {"negative rows", FileBytes(101, -1, 0), NDFileDamaged},
        {"more standards than rows", FileBytes(101, 2, 3), NDFileDamaged},
        {"unknown unit", FileBytes(101, 2, 2, 7), NDFileDamaged},
        {"NaN mass", WithFloat(FileBytes(101, 2), 55 + 124 + 44, std::nanf("")), NDFileBadValue},
        {"infinite Abs", WithFloat(FileBytes(101, 2), 55 + 40, -INFINITY), NDFileBadValue},
        {"infinite slope", WithFloat(FileBytes(101, 2), 43, INFINITY), NDFileBadValue},
    };
    for (const TCase& c : cases) {
        TNDTable t;
        TypeStandards(t, {{"0.25", "1"}, {"0.5", "2"}});
        t.ChangeUnit(2);
        const auto cells = t.Cells;
        const auto path = TempFile("bad.irc");
        WriteAll(path, c.Bytes);
        EXPECT_EQ(t.LoadCurveFile(path.string()), c.Result) << c.Name;
        EXPECT_EQ(t.Cells, cells) << c.Name;
        EXPECT_EQ(t.UnitIndex, 2) << c.Name;
        EXPECT_EQ(t.ItemCount, 2) << c.Name;
        EXPECT_FALSE(t.CurveBuilt) << c.Name;
        std::filesystem::remove(path);
    }
    TNDTable t;
    EXPECT_EQ(t.LoadCurveFile(TempFile("missing.irc").string()), NDFileCannotOpen);
    EXPECT_STREQ(NDLoadMessage(NDFileDamaged), "未知错误，无法打开文件！");
    EXPECT_STREQ(NDLoadMessage(NDFileBadValue), "文件中有无效的数值，无法打开！");
}

TEST(NDFile, VersionHundredHasNoUnitAndOpensInMilligrams)
{
    const auto path = TempFile("v100.irc");
    const std::string bytes = FileBytes(100, 2);
    ASSERT_EQ(bytes.size(), 51u + 2 * 124);
    WriteAll(path, bytes);
    TNDTable t;
    t.Clock = &FixedTime;
    t.ResetTable();
    t.ChangeUnit(1);
    ASSERT_EQ(t.LoadCurveFile(path.string()), 0);
    t.FinishOpen();
    EXPECT_EQ(t.UnitIndex, 0);
    EXPECT_EQ(t.Cell(0, NDColQuartz), "石英质量 (mg)");
    EXPECT_EQ(t.Cell(1, NDColName), "s0");
    EXPECT_EQ(t.Cell(1, NDColLabel), "√");
    // Rebuilt from the standards: (0.1, 1), (0.2, 2).
    EXPECT_NEAR(t.Slope, 10.0f, 1e-4f);
    EXPECT_EQ(t.RowCount(), 4);
    std::filesystem::remove(path);
}

// zq735-cli quant prints every row of the file, also when the table is full
// and opening could append no fresh row, and warns on stderr.
TEST(NDCli, QuantPrintsEveryRowOfAFullTableAndWarns)
{
    TNDTable full;
    TypeStandards(full, {{"0.1", "3"}, {"0.2", "1"}});
    full.BuildCurve();
    for (int r = full.StdCount + 1; r <= TNDTable::MaxItems; ++r) {
        Measure(full, r, "0.15");
        if (r < TNDTable::MaxItems) {
            ASSERT_EQ(full.ItemCount, r + 1);
        }
    }
    ASSERT_EQ(full.ItemCount, TNDTable::MaxItems);
    const auto path = TempFile("full.irc");
    ASSERT_EQ(full.SaveCurveFile(path.string()), 0);
    const auto err = TempFile("full.err");
    const TRun run = RunShell(std::string(ZQ735_BIN_DIR) + "/app/zq735-cli quant '" + path.string() +
                              "' 2>'" + err.string() + "'");
    EXPECT_EQ(run.Status, 0);
    EXPECT_NE(run.Out.find("rows: 500, standards: 2, curve built\n"), std::string::npos);
    EXPECT_NE(run.Out.find("\n样品498  未命名500  Abs 0.150000"), std::string::npos);
    std::string last;
    for (int c = 0; c < NDColumns; ++c)
        last += (c > 0 ? "\t" : "") + full.Cell(TNDTable::MaxItems, c);
    EXPECT_NE(run.Out.find("\n" + last + "\n"), std::string::npos) << last;
    EXPECT_NE(ReadAll(err).find("zq735-cli: " + path.string() +
                                ": 警告：工作曲线斜率为负：石英质量随Abs增大而减小\n"),
              std::string::npos);
    std::filesystem::remove(path);
    std::filesystem::remove(err);
}

// A damaged file's date shows as unknown; the item keeps its bytes.
TEST(NDTable, ADateThatIsNoDateShowsEmpty)
{
    EXPECT_EQ(NDDateText({2004, 7, 1, 19, 17, 20, 23, 0}), "2004-7-19 17:20:23");
    const TNDSystemTime damaged[] = {
        {65477, 48441, 0, 64464, 0, 0, 0, 0}, {2026, 2, 0, 29, 0, 0, 0, 0}, {2026, 13, 0, 1, 0, 0, 0, 0},
        {2026, 1, 0, 1, 24, 0, 0, 0},         {0, 0, 0, 0, 0, 0, 0, 0},
    };
    for (const TNDSystemTime& t : damaged)
        EXPECT_EQ(NDDateText(t), "") << t.Year << "-" << t.Month << "-" << t.Day;
}

}  // namespace
