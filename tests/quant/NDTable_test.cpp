// The quantitative table without widgets: the worked numbers of the fit, the
// unit conversions, the grid's rules and the working-curve file, read back by
// a reader written here from the file's offsets.

#include "quant/NDTable.h"
#include "tests/support/FullDisk.h"
#include "text/GbkText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

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

TEST(NDTable, UnitConversionsStartFromTheShownText)
{
    TNDTable t;
    TypeStandards(t, {{"0.1", "0.12345"}});
    t.ChangeUnit(1);
    EXPECT_EQ(t.Cell(1, NDColQuartz), "123.4500");
    t.ChangeUnit(0);
    EXPECT_EQ(t.Cell(1, NDColQuartz), "0.1235");
    t.ChangeUnit(2);
    EXPECT_EQ(t.Cell(1, NDColQuartz), "123500.0000");
    EXPECT_EQ(t.Cell(0, NDColCorr), "校正质量 (ng)");
    // The same unit again still rewrites with four decimals.
    t.ChangeUnit(2);
    EXPECT_EQ(t.Cell(1, NDColCorr), "123500.0000");
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
