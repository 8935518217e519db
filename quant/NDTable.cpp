#include "quant/NDTable.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "fileio/AtomicFile.h"
#include "fileio/RegularFile.h"
#include "quant/NDChart.h"
#include "text/GbkText.h"
#include "text/NumberText.h"

namespace {

constexpr char kMagic[] = "kdm-41irc";
constexpr size_t kMagicSize = 10;
// Header size of a version-101 file; version 100 and older lack the unit.
constexpr size_t kHeaderSize = 55;
// Magic, version, count, standards, built flag (23), unit (4), seven floats (28).
static_assert(kHeaderSize == 23 + 4 + 7 * 4);
// Far more than a table of MaxItems rows; a larger file is not read into memory.
constexpr std::uintmax_t kMaxFileBytes = 1 << 20;

const char* const kUnitNames[3] = {"mg", "ug", "ng"};
const char* const kUnitSuffixes[3] = {" (mg)", " (ug)", " (ng)"};

std::string Printf(const char* format, auto... args)
{
    char buf[128];
    std::snprintf(buf, sizeof buf, format, args...);
    return buf;
}

void PutI32(std::string& out, int32_t v)
{
    const auto u = static_cast<uint32_t>(v);
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<char>((u >> (8 * i)) & 0xFF));
}

void PutF32(std::string& out, float v)
{
    uint32_t u;
    std::memcpy(&u, &v, 4);
    PutI32(out, static_cast<int32_t>(u));
}

int32_t GetI32(const std::string& in, size_t at)
{
    uint32_t u = 0;
    for (int i = 3; i >= 0; --i)
        u = (u << 8) | static_cast<uint8_t>(in[at + static_cast<size_t>(i)]);
    return static_cast<int32_t>(u);
}

float GetF32(const std::string& in, size_t at)
{
    const auto u = static_cast<uint32_t>(GetI32(in, at));
    float v;
    std::memcpy(&v, &u, 4);
    return v;
}

// A GBK field of a record as UTF-8 cell text, and back.
template <size_t N>
std::string FieldText(const char (&field)[N])
{
    return GbkFieldToUtf8(field);
}

// The weekday of a date (0 Sunday), for dates typed back from the date column.
uint16_t DayOfWeek(int y, int m, int d)
{
    static const int t[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    if (m < 3)
        y -= 1;
    return static_cast<uint16_t>((y + y / 4 - y / 100 + y / 400 + t[m - 1] + d) % 7);
}

}  // namespace

std::string FormatFixed(double value, int decimals)
{
    return Printf("%1.*f", decimals, value);
}

const char* NDUnitSuffix(int unitIndex)
{
    return kUnitSuffixes[unitIndex >= 0 && unitIndex <= 2 ? unitIndex : 0];
}

const char* NDUnitName(int unitIndex)
{
    return kUnitNames[unitIndex >= 0 && unitIndex <= 2 ? unitIndex : 0];
}

std::string NDDateText(const TNDSystemTime& t)
{
    // A damaged file's date is shown as unknown (the item keeps its bytes).
    static constexpr uint16_t days[12] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (t.Year % 4 == 0 && t.Year % 100 != 0) || t.Year % 400 == 0;
    if (t.Year < 1601 || t.Year > 30827 || t.Month < 1 || t.Month > 12 || t.Day < 1 ||
        t.Day > days[t.Month - 1] || (t.Month == 2 && t.Day == 29 && !leap) || t.Hour > 23 || t.Minute > 59 ||
        t.Second > 59)
        return std::string();
    return Printf("%d-%d-%d %d:%02d:%02d", t.Year, t.Month, t.Day, t.Hour, t.Minute, t.Second);
}

bool NDParseDate(const std::string& text, TNDSystemTime& t)
{
    int y, mo, d, h, mi, s;
    char tail;
    if (std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d%c", &y, &mo, &d, &h, &mi, &s, &tail) != 6)
        return false;
    if (y < 1601 || y > 30827 || mo < 1 || mo > 12 || d < 1 || d > 31 || h < 0 || h > 23 || mi < 0 ||
        mi > 59 || s < 0 || s > 59)
        return false;
    t.Year = static_cast<uint16_t>(y);
    t.Month = static_cast<uint16_t>(mo);
    t.Day = static_cast<uint16_t>(d);
    t.DayOfWeek = DayOfWeek(y, mo, d);
    t.Hour = static_cast<uint16_t>(h);
    t.Minute = static_cast<uint16_t>(mi);
    t.Second = static_cast<uint16_t>(s);
    t.Milliseconds = 0;
    return true;
}

const char* NDLoadMessage(int result)
{
    switch (result) {
        case NDFileCannotOpen:
            return "无法打开文件！";
        case NDFileVersion:
            return "文件版本不对，无法打开！";
        case NDFileTooManyRows:
            return "测量项过多，可能文件已损坏，无法打开";
        case NDFileBadValue:
            return "文件中有无效的数值，无法打开！";
        default:
            return "未知错误，无法打开文件！";
    }
}

TNDTable::TNDTable() : Items(MaxItems, ZeroNDItem()), MassExact(MaxItems)
{
    Cells.resize(2);
    static const char* const headers[NDColumns] = {"序号",     "名称",       "编号",     "ABS",  "石英质量",
                                                   "校正质量", "石英含量％", "测量次数", "日期", "备注"};
    for (int c = 0; c < NDColumns; ++c)
        Cells[0][static_cast<size_t>(c)] = headers[c];
    ApplyUnitHeaders(0);
}

// --- cells -----------------------------------------------------------------------------

bool TNDTable::CellValue(int row, int col, long double& value) const
{
    if (row < 1 || row >= RowCount())
        return false;
    return ParseNumberText(Cell(row, col), value);
}

double TNDTable::StoredMass(int item, int col) const
{
    const TNDItem& it = Items[static_cast<size_t>(item)];
    const TExact& e = MassExact[static_cast<size_t>(item)][col == NDColCorr ? 1 : 0];
    return e.Of(col == NDColCorr ? it.CorrMass : it.QuartzMass);
}

void TNDTable::SetMass(int item, int col, double value)
{
    TNDItem& it = Items[static_cast<size_t>(item)];
    MassExact[static_cast<size_t>(item)][col == NDColCorr ? 1 : 0].V = value;
    (col == NDColCorr ? it.CorrMass : it.QuartzMass) = static_cast<float>(value);
}

bool TNDTable::CellMass(int row, int col, long double& value) const
{
    if (!CellValue(row, col, value))
        return false;
    if (row <= MaxItems) {
        const double stored = StoredMass(row - 1, col);
        if (Cell(row, col) == FormatFixed(stored, MassDecimals))
            value = stored;
    }
    return true;
}

bool TNDTable::CellIsNumber(int row, int col) const
{
    long double unused;
    return CellValue(row, col, unused);
}

void TNDTable::SetRowCount(int rows)
{
    Cells.resize(static_cast<size_t>(std::max(rows, 2)));
}

std::string TNDTable::RowLabel(int row) const
{
    if (CurveBuilt)
        return row <= StdCount ? "√" : std::to_string(row - StdCount);
    return std::to_string(row);
}

// Row `row` from item row-1.
void TNDTable::SetRowItemTexts(int row)
{
    const TNDItem& it = Items[static_cast<size_t>(row - 1)];
    auto& r = Cells[static_cast<size_t>(row)];
    r[NDColLabel] = RowLabel(row);
    r[NDColName] = FieldText(it.ItemName);
    r[NDColNumber] = FieldText(it.ItemNumber);
    r[NDColAbs] = FormatFixed(it.AbsValue, AbsDecimals);
    r[NDColQuartz] = FormatFixed(it.QuartzMass, MassDecimals);
    r[NDColCorr] = FormatFixed(it.CorrMass, MassDecimals);
    if (std::fabs(it.CorrMass) > 1e-7f)
        r[NDColContent] = FormatFixed(static_cast<float>(it.QuartzMass * 100.0L / it.CorrMass), MassDecimals);
    else
        r[NDColContent].clear();
    r[NDColCount] = std::to_string(it.MeasCount);
    r[NDColDate] = NDDateText(it.MeasDate);
    r[NDColRemark] = FieldText(it.Remark);
}

// Item row-1 from every stored cell of the row (a standard when fitting).
void TNDTable::WriteItemFromRow(int row)
{
    TNDItem& it = Items[static_cast<size_t>(row - 1)];
    SetGbkField(it.ItemName, Cell(row, NDColName));
    SetGbkField(it.ItemNumber, Cell(row, NDColNumber));
    long double v;
    if (CellValue(row, NDColAbs, v))
        it.AbsValue = static_cast<float>(v);
    if (CellMass(row, NDColQuartz, v)) {
        SetMass(row - 1, NDColQuartz, static_cast<double>(v));
        SetMass(row - 1, NDColCorr, static_cast<double>(v));
    }
    if (CellValue(row, NDColCount, v))
        it.MeasCount = static_cast<int32_t>(v);
    TNDSystemTime date;
    if (NDParseDate(Cell(row, NDColDate), date))
        it.MeasDate = date;
    SetGbkField(it.Remark, Cell(row, NDColRemark));
    it.Complete = 1;
}

// --- table -----------------------------------------------------------------------------

void TNDTable::ResetTable()
{
    SetRowCount(2);
    ItemCount = 0;
    StdCount = 0;
    CurveBuilt = false;
    ApplyUnitHeaders(0);
    Cells[1].fill(std::string());
    std::fill(MassExact.begin(), MassExact.end(), std::array<TExact, 2>{});
    SlopeExact = InterceptExact = TExact{};
    const TNDSystemTime now = Clock();
    for (int i = 0; i < MaxItems; ++i) {
        TNDItem& it = Items[static_cast<size_t>(i)];
        it = ZeroNDItem();
        SetGbkField(it.ItemName, Printf("未命名%d", i + 1));
        SetGbkField(it.ItemNumber, Printf("编号%d", i + 1));
        it.AbsValue = 0.123f;
        it.QuartzMass = 0.456f;
        it.CorrMass = 0.345f;
        it.MeasCount = 1;
        it.MeasDate = now;
        SetGbkField(it.Remark, "（无）");
        it.Complete = 0;
    }
    XMin = XMax = YMin = YMax = 0;
    // A new table carries no curve of the old one into its file header.
    Slope = Intercept = CorrCoef = 0;
    LineX[0] = LineX[1] = LineY[0] = LineY[1] = 0;
    SelRow = -1;
    RowSelect = false;
    DeleteEnabled = false;
    MeasureEnabled = false;
    CurRow = 1;
    CurCol = 1;
    DrawCurveChart();
    LabelCA = "C=";
    LabelR = "R=";
    AddRow();
    FocusCell(RowCount() - 1, NDColName);
    UpdateButtons();
    Modified = false;
}

bool TNDTable::AddRow()
{
    if (ItemCount >= MaxItems || (ItemCount > 0 && !AllRowsComplete()))
        return false;
    int row = 1;
    if (ItemCount > 0) {
        SetRowCount(RowCount() + 1);
        row = RowCount() - 1;
    }
    const TNDSystemTime now = Clock();
    auto& r = Cells[static_cast<size_t>(row)];
    r[NDColLabel] = RowLabel(row);
    r[NDColName] = Printf("未命名%d", row);
    r[NDColNumber] = Printf("编号%d", row);
    for (int c = NDColAbs; c <= NDColContent; ++c)
        r[static_cast<size_t>(c)].clear();
    r[NDColCount] = "1";
    r[NDColDate] = NDDateText(now);
    r[NDColRemark] = "（无）";
    TNDItem& it = Items[static_cast<size_t>(row - 1)];
    SetGbkField(it.ItemName, r[NDColName]);
    SetGbkField(it.ItemNumber, r[NDColNumber]);
    it.MeasCount = 1;
    it.MeasDate = now;
    SetGbkField(it.Remark, r[NDColRemark]);
    it.Complete = 0;
    ++ItemCount;
    FocusCell(row, NDColNumber);
    AddEnabled = false;
    return true;
}

bool TNDTable::AllRowsComplete() const
{
    for (int r = 1; r < RowCount(); ++r)
        if (!CellIsNumber(r, NDColAbs) || !CellIsNumber(r, NDColQuartz) || !CellIsNumber(r, NDColCorr))
            return false;
    return true;
}

bool TNDTable::CheckSaveable(int& count) const
{
    bool lastIncomplete = false;
    for (int r = 1; r < RowCount(); ++r) {
        if (CellIsNumber(r, NDColAbs) && CellIsNumber(r, NDColQuartz) && CellIsNumber(r, NDColCorr))
            continue;
        if (r == RowCount() - 1 && DataRows() > 1)
            lastIncomplete = true;
        else
            return false;
    }
    count = ItemCount - (lastIncomplete ? 1 : 0);
    return true;
}

void TNDTable::FillGridFromItems()
{
    if (RowCount() < ItemCount + 1)
        SetRowCount(ItemCount + 1);
    for (int i = 0; i < ItemCount; ++i)
        SetRowItemTexts(i + 1);
}

int TNDTable::SaveCurveFile(const std::string& path) const
{
    int count = 0;
    if (!CheckSaveable(count))
        return NDFileCannotOpen;
    std::string out(kMagic, kMagicSize);
    PutI32(out, FileVersion);
    PutI32(out, count);
    PutI32(out, StdCount);
    out.push_back(CurveBuilt ? 1 : 0);
    PutI32(out, UnitIndex);
    for (float v : {XMin, XMax, YMin, YMax, Slope, Intercept, CorrCoef})
        PutF32(out, v);
    for (int i = 0; i < count; ++i) {
        const TNDItemBytes bytes = SerializeNDItem(Items[static_cast<size_t>(i)]);
        out.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    }
    // Replaced in one step: a disk that fills up or a folder that refuses
    // the file reports the failure and leaves an older file of that name intact.
    if (WriteFileAtomic(path, out.data(), out.size()) != 0)
        return NDFileCannotOpen;
    return 0;
}

int TNDTable::LoadCurveFile(const std::string& path)
{
    // The whole file is staged and checked before anything of the table
    // changes, so a damaged file leaves the window as it was.
    if (!IsRegularFile(path))
        return NDFileCannotOpen;
    std::ifstream f(path, std::ios::binary);
    if (!f)
        return NDFileCannotOpen;
    std::string in;
    in.resize(kMaxFileBytes + 1);
    f.read(in.data(), static_cast<std::streamsize>(in.size()));
    in.resize(static_cast<size_t>(f.gcount()));

    if (in.size() < kMagicSize || in[kMagicSize - 1] != '\0' || std::strcmp(in.c_str(), kMagic) != 0)
        return NDFileCannotOpen;
    if (in.size() < 23)
        return NDFileDamaged;
    const int32_t version = GetI32(in, 10);
    const int32_t n = GetI32(in, 14);
    const int32_t stdCount = GetI32(in, 18);
    const bool built = in[22] != 0;
    size_t at = 23;
    int32_t unit = 0;
    if (version >= 101) {
        if (in.size() < at + 4)
            return NDFileDamaged;
        unit = GetI32(in, at);
        at += 4;
    }
    if (version > FileVersion)
        return NDFileVersion;
    if (n > MaxItems)
        return NDFileTooManyRows;
    // What the format leaves open is refused as damage: a negative count,
    // more standards than rows, a built curve without two standards to fit,
    // a unit the table does not know, and a file that ends early.
    if (n < 0 || stdCount < 0 || stdCount > n || (built && stdCount < 2) || unit < 0 || unit > 2)
        return NDFileDamaged;
    if (in.size() < at + 28 + NDItemSize * static_cast<size_t>(n))
        return NDFileDamaged;

    // A NaN or an infinity would pass into the fit and every result (k = nan)
    // without a word: such a file is refused as a whole.
    float header[7];
    for (float& v : header) {
        v = GetF32(in, at);
        at += 4;
    }
    std::vector<TNDItem> items;
    items.reserve(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        items.push_back(DeserializeNDItem(reinterpret_cast<const uint8_t*>(in.data() + at)));
        at += NDItemSize;
    }
    for (float v : header)
        if (!std::isfinite(v))
            return NDFileBadValue;
    for (const TNDItem& it : items)
        if (!std::isfinite(it.AbsValue) || !std::isfinite(it.QuartzMass) || !std::isfinite(it.CorrMass))
            return NDFileBadValue;

    ItemCount = n;
    StdCount = stdCount;
    CurveBuilt = built;
    UnitIndex = unit;
    float* fields[7] = {&XMin, &XMax, &YMin, &YMax, &Slope, &Intercept, &CorrCoef};
    for (int i = 0; i < 7; ++i)
        *fields[i] = header[i];
    std::copy(items.begin(), items.end(), Items.begin());
    std::fill(MassExact.begin(), MassExact.end(), std::array<TExact, 2>{});
    SlopeExact = InterceptExact = TExact{};
    return 0;
}

void TNDTable::FinishOpen()
{
    SetRowCount(ItemCount + 1);
    SelRow = -1;
    RowSelect = false;
    FillGridFromItems();
    // The steps of "新增".
    AddRow();
    Modified = true;
    if (CurveBuilt)
        FocusCell(RowCount() - 1, NDColLabel);
    ChangeUnit(UnitIndex);
    DrawCurveChart();
    FocusCell(RowCount() - 1, NDColName);
    UpdateButtons();
    Modified = false;
}

// --- calculation ------------------------------------------------------------------------

void TNDTable::CalcRegression()
{
    const int n = StdCount;
    if (n < 1) {
        Slope = Intercept = CorrCoef = 0;
        return;
    }
    for (int r = 1; r <= n; ++r)
        WriteItemFromRow(r);
    float sumA = 0, sumM = 0;
    for (int i = 0; i < n; ++i) {
        sumA = sumA + Items[static_cast<size_t>(i)].AbsValue;
        sumM = sumM + Items[static_cast<size_t>(i)].QuartzMass;
    }
    const float meanA = static_cast<float>(static_cast<long double>(sumA) / n);
    const float meanM = static_cast<float>(static_cast<long double>(sumM) / n);
    float sxy = 0, sxx = 0, syy = 0;
    for (int i = 0; i < n; ++i) {
        const long double da = static_cast<long double>(Items[static_cast<size_t>(i)].AbsValue) - meanA;
        const long double dm = static_cast<long double>(Items[static_cast<size_t>(i)].QuartzMass) - meanM;
        sxy = static_cast<float>(sxy + da * dm);
        sxx = static_cast<float>(sxx + da * da);
        syy = static_cast<float>(syy + dm * dm);
    }
    Slope = sxx != 0 ? static_cast<float>(static_cast<long double>(sxy) / sxx) : 0.0f;
    Intercept = static_cast<float>(static_cast<long double>(meanM) - static_cast<long double>(Slope) * meanA);
    const float d = static_cast<float>(std::sqrt(static_cast<double>(sxx) * static_cast<double>(syy)));
    CorrCoef = d != 0 ? static_cast<float>(static_cast<long double>(sxy) / d) : 0.0f;
}

void TNDTable::WidenRanges(float x, float y)
{
    if (x < XMin)
        XMin = x;
    if (x > XMax)
        XMax = x;
    if (y < YMin)
        YMin = y;
    if (y > YMax)
        YMax = y;
}

void TNDTable::UpdateContent(int row)
{
    long double q, c;
    if (!CellMass(row, NDColQuartz, q) || !CellMass(row, NDColCorr, c) || std::fabs(c) <= 1e-7L)
        return;
    Cells[static_cast<size_t>(row)][NDColContent] =
        FormatFixed(static_cast<float>(q * 100.0L / c), MassDecimals);
}

void TNDTable::BuildCurve()
{
    if (!CurveBuilt) {
        if (!AllRowsComplete() || ItemCount < 2)
            return;
        StdCount = ItemCount;
    }
    CalcRegression();
    for (int r = StdCount + 1; r <= ItemCount; ++r) {
        long double a;
        if (!CellValue(r, NDColAbs, a))
            continue;
        const float m = static_cast<float>(static_cast<long double>(Slope) * a + Intercept);
        Cells[static_cast<size_t>(r)][NDColQuartz] = FormatFixed(m, MassDecimals);
        Items[static_cast<size_t>(r - 1)].QuartzMass = m;
        UpdateContent(r);
    }
    RecomputeRanges();
    const bool existed = CurveBuilt;
    CurveBuilt = true;
    DrawCurveChart();
    if (!existed) {
        FillGridFromItems();
        AddRow();
        MeasureEnabled = true;
        FocusCell(RowCount() - 1, NDColLabel);
    }
    Modified = true;
}

void TNDTable::RecomputeRanges()
{
    XMin = YMin = 1e9f;
    XMax = YMax = -1e9f;
    for (int r = 1; r <= ItemCount; ++r) {
        long double a, m;
        if (CellValue(r, NDColAbs, a) && CellMass(r, NDColQuartz, m))
            WidenRanges(static_cast<float>(a), static_cast<float>(m));
    }
}

int TNDTable::MeasureSample()
{
    const int s = SelRow;
    long double a;
    if (s < 1 || !CellValue(s, NDColAbs, a))
        return -1;
    if (!CurveBuilt || s <= StdCount)
        return 1;
    const float abs = static_cast<float>(a);
    const float m = static_cast<float>(static_cast<long double>(Slope) * a + Intercept);
    WidenRanges(abs, m);
    TNDItem& it = Items[static_cast<size_t>(s - 1)];
    it.AbsValue = abs;
    it.QuartzMass = m;
    auto& r = Cells[static_cast<size_t>(s)];
    r[NDColAbs] = FormatFixed(abs, AbsDecimals);
    r[NDColQuartz] = FormatFixed(m, MassDecimals);
    if (!CellIsNumber(s, NDColCorr)) {
        r[NDColCorr] = r[NDColQuartz];
        it.CorrMass = m;
    }
    it.Complete = 1;
    UpdateContent(s);
    DrawCurveChart();
    AddRow();
    Modified = true;
    FocusCell(RowCount() - 1, NDColLabel);
    UpdateButtons();
    return 0;
}

void TNDTable::ApplyUnitHeaders(int unitIndex)
{
    UnitIndex = unitIndex;
    Cells[0][NDColQuartz] = std::string("石英质量") + NDUnitSuffix(unitIndex);
    Cells[0][NDColCorr] = std::string("校正质量") + NDUnitSuffix(unitIndex);
}

void TNDTable::ChangeUnit(int unitIndex)
{
    if (unitIndex < 0 || unitIndex > 2)
        return;
    if (unitIndex != UnitIndex) {
        ScaleUnit(unitIndex);
        return;
    }
    // The same unit: the masses are shown again with MassDecimals decimals
    // and a built curve is refitted (as after opening a file).
    for (int r = 1; r <= ItemCount && r < RowCount(); ++r) {
        for (int col : {NDColQuartz, NDColCorr}) {
            long double v;
            if (CellMass(r, col, v)) {
                SetMass(r - 1, col, static_cast<double>(v));
                Cells[static_cast<size_t>(r)][static_cast<size_t>(col)] =
                    FormatFixed(static_cast<double>(v), MassDecimals);
            }
        }
    }
    ApplyUnitHeaders(unitIndex);
    if (CurveBuilt) {
        BuildCurve();
        DrawCurveChart();
    }
}

// Another unit is a change of scale and nothing else: every mass and the
// curve's k and b are multiplied by the same power of 1000, from their
// full-precision values, while R, the absorbances and the contents (ratios
// of two masses) stay as they are. Nothing is refitted or read back from the
// four-decimal texts, so a change and its reverse leave the table as it was.
// The samples' quartz masses are then read off the scaled curve as a build
// reads them, so that the table is the one its saved file opens as.
void TNDTable::ScaleUnit(int unitIndex)
{
    const int steps = unitIndex - UnitIndex;
    double factor = 1;
    for (int i = 0; i < std::abs(steps); ++i)
        factor *= 1000.0;
    const auto scale = [steps, factor](double v) { return steps > 0 ? v * factor : v / factor; };
    for (int r = 1; r <= ItemCount && r < RowCount(); ++r) {
        for (int col : {NDColQuartz, NDColCorr}) {
            long double v;
            if (!CellMass(r, col, v))
                continue;
            const double m = scale(static_cast<double>(v));
            SetMass(r - 1, col, m);
            Cells[static_cast<size_t>(r)][static_cast<size_t>(col)] = FormatFixed(m, MassDecimals);
        }
    }
    ApplyUnitHeaders(unitIndex);
    if (!CurveBuilt)
        return;
    SlopeExact.V = scale(SlopeExact.Of(Slope));
    Slope = static_cast<float>(SlopeExact.V);
    InterceptExact.V = scale(InterceptExact.Of(Intercept));
    Intercept = static_cast<float>(InterceptExact.V);
    for (int r = StdCount + 1; r <= ItemCount && r < RowCount(); ++r) {
        long double a;
        if (!CellValue(r, NDColAbs, a) || !CellIsNumber(r, NDColQuartz))
            continue;
        const float m = static_cast<float>(static_cast<long double>(Slope) * a + Intercept);
        Cells[static_cast<size_t>(r)][NDColQuartz] = FormatFixed(m, MassDecimals);
        Items[static_cast<size_t>(r - 1)].QuartzMass = m;
    }
    RecomputeRanges();
    DrawCurveChart();
}

void TNDTable::DrawCurveChart()
{
    if (CurveBuilt) {
        LineX[0] = XMin;
        LineX[1] = XMax;
        LineY[0] = static_cast<float>(static_cast<long double>(Slope) * XMin + Intercept);
        LineY[1] = static_cast<float>(static_cast<long double>(Slope) * XMax + Intercept);
        for (float y : LineY) {
            if (y < YMin)
                YMin = y;
            if (y > YMax)
                YMax = y;
        }
    }
    if (Chart != nullptr) {
        const TSpRect outer{0, 0, Chart->Width(), Chart->Height()};
        DrawChartFrame(*Chart, outer, XMin, XMax, YMin, YMax, FrameRect, PlotRect);
    }
    if (!CurveBuilt)
        return;
    if (Chart != nullptr) {
        DrawCurveLine(*Chart, XMin, XMax, YMin, YMax, LineX, LineY, 2, PlotRect, kNDCurveColor, true);
        for (int r = 1; r <= ItemCount && r < RowCount(); ++r) {
            long double a, m;
            if (!CellValue(r, NDColAbs, a) || !CellMass(r, NDColQuartz, m))
                continue;
            const bool standard = r <= StdCount;
            DrawNumberedPoint(*Chart, XMin, XMax, YMin, YMax, static_cast<float>(a), static_cast<float>(m),
                              standard ? r : r - StdCount, PlotRect,
                              standard ? kNDStandardColor : kNDSampleColor, !standard);
        }
    }
    LabelCA = "C=" + Printf("%4.5f", static_cast<double>(Slope)) + "×A" + (Intercept >= 0 ? " + " : " - ") +
              FormatFixed(std::fabs(Intercept), MassDecimals) + NDUnitSuffix(UnitIndex);
    LabelR = "R=" + Printf("%4.5f", static_cast<double>(CorrCoef));
}

TNDFitStats TNDTable::FitStats() const
{
    TNDFitStats s;
    if (!CurveBuilt || StdCount < 1)
        return s;
    s.Valid = true;
    double sum = 0;
    s.AbsMin = s.AbsMax = Items[0].AbsValue;
    for (int i = 0; i < StdCount; ++i) {
        const TNDItem& it = Items[static_cast<size_t>(i)];
        const double fitted = static_cast<double>(Slope) * it.AbsValue + Intercept;
        const double res = it.QuartzMass - fitted;
        s.Residuals.push_back(res);
        sum += res * res;
        s.AbsMin = std::min<double>(s.AbsMin, it.AbsValue);
        s.AbsMax = std::max<double>(s.AbsMax, it.AbsValue);
    }
    if (StdCount > 2) {
        s.HasStdError = true;
        s.StdError = std::sqrt(sum / (StdCount - 2));
        if (Slope != 0) {
            s.HasLod = true;
            s.Lod = 3.0 * s.StdError / std::fabs(static_cast<double>(Slope));
            s.LodMass = 3.0 * s.StdError;
        }
    }
    return s;
}

std::string TNDTable::LodText() const
{
    const TNDFitStats s = FitStats();
    if (!s.HasLod)
        return std::string();
    return FormatFixed(s.Lod, AbsDecimals) + " Abs = " + FormatFixed(s.LodMass, MassDecimals) + " " +
           NDUnitName(UnitIndex) + " (3s/|k|)";
}

std::vector<std::string> TNDTable::CurveWarnings() const
{
    std::vector<std::string> w;
    if (CurveBuilt && StdCount >= 1) {
        bool sameAbs = true, nonPositive = false;
        for (int i = 0; i < StdCount; ++i) {
            const TNDItem& it = Items[static_cast<size_t>(i)];
            sameAbs = sameAbs && it.AbsValue == Items[0].AbsValue;
            nonPositive = nonPositive || !(it.QuartzMass > 0);
        }
        if (sameAbs)
            w.push_back("标样的Abs全部相同：斜率为0，工作曲线不能用于测量");
        if (nonPositive)
            w.push_back("标样中有零或负的石英质量");
        if (Slope < 0)
            w.push_back("工作曲线斜率为负：石英质量随Abs增大而减小");
    }
    std::string over;
    int overCount = 0;
    for (int r = 1; r < RowCount(); ++r) {
        long double content;
        if (!CellValue(r, NDColContent, content) || content <= 100)
            continue;
        if (++overCount <= 5)
            over += (overCount > 1 ? "、" : "") + Printf("第%d行", r);
    }
    if (overCount > 0)
        w.push_back("石英含量超过100％：" + over + (overCount > 5 ? "等" : ""));
    return w;
}

bool TNDTable::Extrapolated(int row) const
{
    if (!CurveBuilt || row <= StdCount || row >= RowCount() || StdCount < 1)
        return false;
    long double a;
    if (!CellValue(row, NDColAbs, a))
        return false;
    const TNDFitStats s = FitStats();
    const double abs = static_cast<float>(a);
    return abs < s.AbsMin || abs > s.AbsMax;
}

// --- the grid ---------------------------------------------------------------------------

bool TNDTable::CanSelectCell(int row, int col) const
{
    if (row < 1 || row >= RowCount() || col < 0 || col >= NDColumns)
        return false;
    if (col == NDColLabel)
        return !CurveBuilt || row > StdCount;
    if (CurveBuilt)
        return row > StdCount && col != NDColQuartz && col != NDColContent && col != NDColCount &&
               col != NDColDate;
    return col != NDColCorr && col != NDColContent && col != NDColCount && col != NDColDate;
}

bool TNDTable::FocusCell(int row, int col)
{
    if (!CanSelectCell(row, col)) {
        if (CurCol == NDColLabel && CanSelectCell(CurRow, NDColNumber))
            FocusCell(CurRow, NDColNumber);
        return false;
    }
    CurRow = row;
    CurCol = col;
    if (col != NDColLabel) {
        SelRow = -1;
        RowSelect = false;
        DeleteEnabled = false;
        MeasureEnabled = false;
        return true;
    }
    RowSelect = true;
    DeleteEnabled = true;
    SelRow = row;
    if (CurveBuilt && row > StdCount && CellIsNumber(row, NDColAbs))
        MeasureEnabled = true;
    return true;
}

std::string TNDTable::EditCell(int row, int col, const std::string& text)
{
    if (row < 1 || row >= RowCount() || row > ItemCount || col <= NDColLabel || col >= NDColumns)
        return text;
    TNDItem& it = Items[static_cast<size_t>(row - 1)];
    auto& r = Cells[static_cast<size_t>(row)];
    std::string kept = text;
    if (col == NDColName || col == NDColNumber || col == NDColRemark) {
        const size_t limit = col == NDColRemark ? RemarkBytes : NameBytes;
        const std::string gbk = Utf8ToGbk(text);
        if (gbk.size() > limit)
            kept = GbkToUtf8(gbk.substr(0, GbkFitLength(gbk, limit)));
        r[static_cast<size_t>(col)] = kept;
        char* field = col == NDColName ? it.ItemName : col == NDColNumber ? it.ItemNumber : it.Remark;
        const size_t size = col == NDColRemark ? sizeof it.Remark : sizeof it.ItemName;
        if (GbkFieldToUtf8(field, size) != kept) {
            SetGbkField(field, size, kept);
            Modified = true;
        }
    } else if (col == NDColAbs || col == NDColQuartz || col == NDColCorr) {
        const std::string before = FormatFixed(it.AbsValue, AbsDecimals);
        r[static_cast<size_t>(col)] = kept;
        if (!CurveBuilt && col == NDColQuartz)
            r[NDColCorr] = kept;
        long double v;
        if (CellValue(row, NDColAbs, v) && static_cast<float>(v) != it.AbsValue) {
            it.AbsValue = static_cast<float>(v);
            Modified = true;
        }
        for (int c : {NDColQuartz, NDColCorr}) {
            if (!CellValue(row, c, v))
                continue;
            if (static_cast<float>(v) != (c == NDColCorr ? it.CorrMass : it.QuartzMass))
                Modified = true;
            SetMass(row - 1, c, static_cast<double>(v));
        }
        it.Complete =
            CellIsNumber(row, NDColAbs) && CellIsNumber(row, NDColQuartz) && CellIsNumber(row, NDColCorr);
        UpdateContent(row);
        if (col == NDColAbs && CellIsNumber(row, NDColAbs) && kept != before) {
            r[NDColCount] = "1";
            it.MeasCount = 1;
        }
    } else {
        r[static_cast<size_t>(col)] = kept;
    }
    UpdateButtons();
    return kept;
}

bool TNDTable::CanDelete() const
{
    return SelRow > 0 && SelRow < RowCount() && (!CurveBuilt || SelRow > StdCount);
}

bool TNDTable::DeleteSelectedRow()
{
    if (!CanDelete())
        return false;
    const bool single = DataRows() == 1;
    for (int r = SelRow; r < RowCount() - 1; ++r) {
        Cells[static_cast<size_t>(r)] = Cells[static_cast<size_t>(r + 1)];
        Cells[static_cast<size_t>(r)][NDColLabel] = std::to_string(CurveBuilt ? r - StdCount : r);
        Items[static_cast<size_t>(r - 1)] = Items[static_cast<size_t>(r)];
        MassExact[static_cast<size_t>(r - 1)] = MassExact[static_cast<size_t>(r)];
    }
    --ItemCount;
    if (single) {
        Cells[1].fill(std::string());
        AddRow();
    } else {
        SetRowCount(RowCount() - 1);
    }
    SelRow = -1;
    RowSelect = false;
    DeleteEnabled = false;
    if (CurRow >= RowCount())
        CurRow = RowCount() - 1;
    if (CurveBuilt && ItemCount == StdCount) {
        AddRow();
        FocusCell(StdCount, CurCol);
    }
    UpdateButtons();
    DrawCurveChart();
    Modified = true;
    return true;
}

int TNDTable::AbsTargetRow() const
{
    const int row = SelRow > 0 ? SelRow : CurRow;
    return row <= ItemCount && CanSelectCell(row, NDColAbs) ? row : -1;
}

bool TNDTable::SetAbsFromSpectrum(float abs)
{
    const int row = AbsTargetRow();
    if (row < 1 || !std::isfinite(abs))
        return false;
    EditCell(row, NDColAbs, FormatFixed(abs, AbsDecimals));
    return true;
}

void TNDTable::UpdateButtons()
{
    AddEnabled = AllRowsComplete();
    BuildEnabled = CurveBuilt || (AddEnabled && DataRows() >= 2);
}
