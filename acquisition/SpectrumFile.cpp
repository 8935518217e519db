// Spectrum files (*.ir) and the 100 % baseline file, members of the model.
// Both are raw little-endian dumps of the records. Reading never trusts a
// count from the file: the whole file is read (within a size limit) and every
// record is checked against what the file holds before anything in memory
// changes, so a damaged file leaves the graph as it was.

#include "acquisition/ApparaZQ735.h"
#include "acquisition/ReadingConversion.h"
#include "acquisition/ScanRecovery.h"
#include "fileio/AtomicFile.h"
#include "fileio/RegularFile.h"
#include "plot/SpGraph735.h"
#include "spectra/SpCurveZQ735.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <optional>
#include <unistd.h>
#include <vector>

namespace {

constexpr char MagicCurrent[] = "ZQ735FILEv1.1";
constexpr char MagicOlder[] = "ZQ735FILE";
constexpr size_t MagicSize = 20;
constexpr size_t ViewHeaderSize = 20;
constexpr size_t OlderParamsSize = 40;
constexpr size_t DateSize = 12;
constexpr int MaxFileCurves = 20;
// Far above any scan (4000 -> 400 at the finest speed is 18001 points), far
// below anything that could hurt to allocate.
constexpr int32_t MaxPoints = kMaxCurvePoints;
constexpr size_t MaxFileBytes = 64 << 20;

// `opened` is false for a file that cannot be opened or is no regular file
// (a FIFO or a device would block or never end).
std::optional<std::vector<uint8_t>> ReadWholeFile(const std::string& path, bool& opened)
{
    std::vector<uint8_t> bytes;
    const int err = ReadRegularFile(path, MaxFileBytes, bytes);
    opened = err == 0 || err == EFBIG;
    if (err != 0)
        return std::nullopt;
    return bytes;
}

float ReadFloat(const uint8_t* p)
{
    float f;
    std::memcpy(&f, p, sizeof f);
    return f;
}

bool Finite(std::initializer_list<float> values)
{
    for (float v : values)
        if (!std::isfinite(v))
            return false;
    return true;
}

struct TStagedCurve {
    TMeasureParams Params;
    TCurveInfo Info;
    std::vector<float> Values;
};

// Reads one descriptor and its values at `pos`; false when the file ends
// early or the record is not sane.
bool StageCurve(const std::vector<uint8_t>& bytes, size_t& pos, TStagedCurve& c)
{
    if (bytes.size() - pos < CurveInfoSize)
        return false;
    c.Info = DeserializeCurveInfo(bytes.data() + pos);
    TerminateCurveInfoStrings(c.Info);
    pos += CurveInfoSize;
    if (!StoredCurveInfoUsable(c.Info))
        return false;
    const size_t valueBytes = static_cast<size_t>(c.Info.PointCount) * 4;
    if (bytes.size() - pos < valueBytes)
        return false;
    c.Values.resize(static_cast<size_t>(c.Info.PointCount));
    for (size_t i = 0; i < c.Values.size(); ++i)
        c.Values[i] = ReadFloat(bytes.data() + pos + 4 * i);
    pos += valueBytes;
    return true;
}

// The record's numbers become the view and the time axis of the graph, and
// are turned into counts there: a damaged record (NaN, or a time drive of
// 1e35 s) is refused with the file rather than overflowing a count later.
bool StoredParamsUsable(const TMeasureParams& p)
{
    for (float v : {p.XStart, p.XEnd, p.YStart, p.YEnd, p.ScanTime, p.CurrentX})
        if (!std::isfinite(v) || std::fabs(v) > 1.0e6f)
            return false;
    return true;
}

void TerminateParams(TMeasureParams& p)
{
    p.BatchNo[sizeof p.BatchNo - 1] = 0;
    p.Note[sizeof p.Note - 1] = 0;
}

void AppendBytes(std::vector<uint8_t>& out, const void* p, size_t n)
{
    const auto* b = static_cast<const uint8_t*>(p);
    out.insert(out.end(), b, b + n);
}

}  // namespace

// A descriptor is usable when its counts describe an array the file can hold
// and the segments can view without running past it.
bool StoredCurveInfoUsable(const TCurveInfo& d)
{
    if (d.PointCount < 0 || d.Capacity < 0 || d.PointCount > d.Capacity || d.Capacity > MaxPoints)
        return false;
    if (d.Seg1Count < 0 || d.Seg2Count < 0 || d.Seg1Count > MaxPoints || d.Seg2Count > MaxPoints)
        return false;
    const int32_t segs = (d.Seg1Count > 0 && d.Seg2Count > 0) ? d.Seg1Count + d.Seg2Count - 1
                                                               : d.Seg1Count + d.Seg2Count;
    if (segs != d.Capacity)
        return false;
    return Finite({d.XLimitMin, d.XLimitMax, d.YLimitMin, d.YLimitMax, d.XViewFrom, d.XViewTo, d.YViewFrom,
                   d.YViewTo, d.XDataFrom, d.XDataTo, d.YDataFrom, d.YDataTo, d.SplitX});
}

int TApparaZQ735::SaveSpectrumFile(const std::string& path, TScanDateTime& date)
{
    std::vector<uint8_t> out;
    char magic[MagicSize] = {};
    std::memcpy(magic, MagicCurrent, sizeof MagicCurrent);
    AppendBytes(out, magic, sizeof magic);

    uint8_t header[ViewHeaderSize];
    FGraph.GetViewRange(header);
    AppendBytes(out, header, sizeof header);

    for (TSpCurveZQ735* c = FGraph.FirstCurve(); c != nullptr; c = FGraph.NextCurve()) {
        const int slot = FGraph.IndexOfCurve(c);
        const TMeasureParams* p = ParamsOfSlot(slot);
        AppendBytes(out, p, sizeof(TMeasureParams));
        TCurveInfo info{};
        c->GetInfo(info);
        // What could not be read back is not written.
        if (info.Capacity > MaxPoints)
            return -1;
        AppendBytes(out, SerializeCurveInfo(info).data(), CurveInfoSize);
        AppendBytes(out, c->GetData(), static_cast<size_t>(info.PointCount) * 4);
    }

    // The caller's date takes the stamp only once the file is written: a
    // failed save leaves the scan undated, as it was.
    TScanDateTime stamped = date;
    if (!ScanDateSet(date)) {
        const std::time_t now = std::time(nullptr);
        std::tm tm{};
        localtime_r(&now, &tm);
        stamped = {static_cast<int16_t>(tm.tm_year + 1900), static_cast<int16_t>(tm.tm_mon + 1),
                   static_cast<int16_t>(tm.tm_mday),        static_cast<int16_t>(tm.tm_hour),
                   static_cast<int16_t>(tm.tm_min),         static_cast<int16_t>(tm.tm_sec)};
    }
    const int16_t d[6] = {stamped.Year, stamped.Month, stamped.Day, stamped.Hour, stamped.Minute, stamped.Second};
    AppendBytes(out, d, sizeof d);

    // A full disk or a crash half-way leaves the file that was there.
    if (WriteFileAtomic(path, out) != 0)
        return -1;
    date = stamped;
    // What a crash would have cost is now in the operator's own file.
    DiscardRecovery();
    return 0;
}

int TApparaZQ735::OpenSpectrumFile(const std::string& path, TScanDateTime& date)
{
    bool opened = false;
    const auto bytes = ReadWholeFile(path, opened);
    if (!opened)
        return -1;
    if (!bytes || bytes->size() < MagicSize + ViewHeaderSize)
        return -2;

    const char* magic = reinterpret_cast<const char*>(bytes->data());
    const std::string text(magic, strnlen(magic, MagicSize));
    bool older;
    if (text == MagicCurrent)
        older = false;
    else if (text == MagicOlder)
        older = true;
    else
        return -2;

    const uint8_t* h = bytes->data() + MagicSize;
    const float view[4] = {ReadFloat(h), ReadFloat(h + 4), ReadFloat(h + 8), ReadFloat(h + 12)};
    int32_t n;
    std::memcpy(&n, h + 16, 4);
    if (n < 0 || n > MaxFileCurves || !Finite({view[0], view[1], view[2], view[3]}))
        return -2;

    // Stage every curve before touching the graph.
    std::vector<TStagedCurve> staged(static_cast<size_t>(n));
    size_t pos = MagicSize + ViewHeaderSize;
    const size_t paramsSize = older ? OlderParamsSize : sizeof(TMeasureParams);
    for (TStagedCurve& c : staged) {
        if (bytes->size() - pos < paramsSize)
            return -2;
        c.Params = TMeasureParams{};
        std::memcpy(&c.Params, bytes->data() + pos, paramsSize);
        if (older) {
            std::memset(c.Params.BatchNo, 0, sizeof c.Params.BatchNo);
            std::memset(c.Params.Note, 0, sizeof c.Params.Note);
        }
        TerminateParams(c.Params);
        if (!StoredParamsUsable(c.Params))
            return -2;
        pos += paramsSize;
        if (!StageCurve(*bytes, pos, c))
            return -2;
    }

    {
        // One repaint for the whole file, when the last curve is in.
        TGraphUpdateHold hold(FGraph);
        ClearAll();
        FGraph.SetViewRect(view);
        // The abscissa changes scale at 2000 cm-1 in a wavenumber scan and
        // nowhere on a time axis, whatever the graph showed before: the
        // curves take the split from the graph.
        const bool timeDrive = !staged.empty() && staged.front().Params.ScanMode == 2;
        FGraph.SetViewRange(view[0], view[1], view[2], view[3], timeDrive ? 0.0f : 2000.0f, FGraph.Seg1Count,
                            FGraph.Seg2Count);
        for (TStagedCurve& c : staged) {
            TSpCurveZQ735* curve = StartNewCurve();
            const int slot = FGraph.IndexOfCurve(curve);
            if (curve == nullptr || slot < 0)
                break;
            FSlotParams[slot] = c.Params;
            curve->Load(c.Info, c.Values.data());
            Post(UM_CURVE_LIST, 1, slot);
        }
    }
    {
        std::lock_guard g(FCurveLock);
        FCurve = nullptr;
    }
    SlotParamsChanged();

    int16_t d[6] = {-1, -1, -1, -1, -1, -1};
    const size_t left = bytes->size() - pos;
    std::memcpy(d, bytes->data() + pos, std::min(left, DateSize) & ~size_t{1});
    date = {d[0], d[1], d[2], d[3], d[4], d[5]};
    // A damaged date is no date: shown as unknown, never as garbage.
    if (!ScanDateValid(date))
        date = TScanDateTime{};
    return 0;
}

std::string TApparaZQ735::HundredLinePath() const { return FDataDir + "/BK100.dat"; }

TSpCurveZQ735* TApparaZQ735::LoadHundredLine()
{
    FHundredNotice.clear();
    bool opened = false;
    const auto bytes = ReadWholeFile(HundredLinePath(), opened);
    // No file at all is a program that has not measured one yet.
    if (!opened && ::access(HundredLinePath().c_str(), F_OK) != 0)
        return FHundred.get();
    const std::string damaged = "100%基线文件 " + HundredLinePath() + " 已损坏，未使用。";
    if (!bytes || bytes->size() < sizeof(TMeasureParams)) {
        FHundredNotice = damaged;
        return FHundred.get();
    }
    TMeasureParams params;
    std::memcpy(&params, bytes->data(), sizeof params);
    TerminateParams(params);
    size_t pos = sizeof(TMeasureParams);
    TStagedCurve c;
    if (!StoredParamsUsable(params) || !StageCurve(*bytes, pos, c)) {
        FHundredNotice = damaged;
        return FHundred.get();
    }
    // Every reading is divided by these: an infinite one would read 0 %T,
    // a negative one a negative transmittance, a zero or NaN one no
    // correction at all, each without a word.
    if (!HundredValuesUsable(c.Values.data(), static_cast<int>(c.Values.size()))) {
        FHundredNotice =
            "100%基线文件 " + HundredLinePath() + " 含有无效数值（无穷大、非数或不大于零），未使用。";
        return FHundred.get();
    }
    // Only a whole file replaces the record: a damaged one keeps the baseline
    // and its record together.
    FHundredParams = params;
    if (!FHundred)
        FHundred = std::make_unique<TSpCurveZQ735>(nullptr, c.Info);
    FHundred->Load(c.Info, c.Values.data());
    return FHundred.get();
}

int TApparaZQ735::SaveHundredLine()
{
    if (!FHundred)
        return 0;
    std::vector<uint8_t> out;
    AppendBytes(out, &FHundredParams, sizeof FHundredParams);
    TCurveInfo info{};
    FHundred->GetInfo(info);
    AppendBytes(out, SerializeCurveInfo(info).data(), CurveInfoSize);
    AppendBytes(out, FHundred->GetData(), static_cast<size_t>(info.PointCount) * 4);
    // A file that cannot be written leaves the one before whole, so the next
    // start divides by the previous baseline, not by half of one.
    return WriteFileAtomic(HundredLinePath(), out);
}
