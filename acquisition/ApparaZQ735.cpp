#include "acquisition/ApparaZQ735.h"

#include "text/GbkText.h"
#include "acquisition/ZQ735Task.h"
#include "fileio/AtomicFile.h"
#include "fileio/RegularFile.h"
#include "plot/SpGraph735.h"
#include "spectra/SpCurveZQ735.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr double RedrawIntervalMs = 1500.0;
// A crash costs at most this much of a running scan.
constexpr double RecoveryIntervalMs = 1000.0;

// Exact float comparison, as the background baseline must match the scan's settings.
bool SameSettings(const TMeasureParams& a, const TMeasureParams& b)
{
    return a.Speed == b.Speed && a.Slit == b.Slit && a.XStart == b.XStart && a.XEnd == b.XEnd;
}

}  // namespace

TApparaZQ735::TApparaZQ735(TMessageSink& sink, TSpGraph735& graph, std::string dataDir)
    : FSink(sink), FGraph(graph), FDataDir(std::move(dataDir))
{
    FRowsType = FSystem.MotorType == 0 ? 0 : 1;
    FWavenumber = static_cast<float>(FSystem.MaxWavenumber);
    for (TMeasureParams& p : FSlotParams)
        p = FParams;
    SetParams(FParams);
    LoadHundredLine();
    SlotParamsChanged();
    SpSetTimeDriveSource(this);
    FGraph.CurveDeleting = [this](TSpCurveZQ735* curve) {
        std::lock_guard g(FCurveLock);
        if (FCurve.load() == curve)
            FCurve = nullptr;
    };
}

TApparaZQ735::~TApparaZQ735()
{
    FGraph.CurveDeleting = nullptr;
    if (SpTimeDriveSource() == this)
        SpSetTimeDriveSource(nullptr);
}

void TApparaZQ735::SlotParamsChanged()
{
    const TMeasureParams& p = FSlotParams[0];
    std::lock_guard g(FAxisLock);
    FAxisOn = p.ScanMode == 2;
    FAxis.Start = p.XStart;
    FAxis.End = p.XEnd;
    // The record may come from a file; a duration no time drive can have
    // gives no axis points rather than an overflowing count.
    FAxis.Points = std::isfinite(p.ScanTime) && p.ScanTime >= 0.0f && p.ScanTime <= static_cast<float>(kMaxCurvePoints)
                       ? static_cast<int32_t>(p.ScanTime)
                       : 0;
}

bool TApparaZQ735::TimeDriveAxis(TSpTimeAxis& axis) const
{
    std::lock_guard g(FAxisLock);
    if (FAxisOn)
        axis = FAxis;
    return FAxisOn;
}

// --- parameters ----------------------------------------------------------------

TMeasureParams TApparaZQ735::CurrentParams() const
{
    std::lock_guard g(FLock);
    return FParams;
}

TSystemBlock TApparaZQ735::SystemBlock() const
{
    std::lock_guard g(FLock);
    return FSystem;
}

void TApparaZQ735::GetSystemBlock(void* dst) const
{
    if (dst == nullptr)
        return;
    std::lock_guard g(FLock);
    std::memcpy(dst, &FSystem, sizeof FSystem);
}

void TApparaZQ735::SetSystemBlock(const void* src)
{
    if (src == nullptr)
        return;
    std::lock_guard g(FLock);
    std::memcpy(&FSystem, src, sizeof FSystem);
}

void TApparaZQ735::SetParams(const TMeasureParams& p)
{
    {
        std::lock_guard g(FLock);
        FParams = p;
    }
    ApplyViewAndBaseline();
}

void TApparaZQ735::ApplyViewAndBaseline()
{
    const TMeasureParams p = CurrentParams();
    if (p.ScanMode == 2) {
        FGraph.SetViewRange(p.XStart, p.XEnd, p.YStart, p.YEnd, 0.0f, 0, static_cast<int>(p.XEnd));
    } else {
        const TPointCounts c = PointsBetween(p.XStart, p.XEnd);
        FGraph.SetViewRange(p.XStart, p.XEnd, p.YStart, p.YEnd, 2000.0f, c.Upper, c.Lower);
    }
    FGraph.CurveChanged();

    if (FBackground) {
        if (p.Mode != 2 && p.ScanMode != 2 && SameSettings(FBackParams, p)) {
            Post(UM_BASELINE, 1, 1);
        } else {
            SetBaselineCorrection(false);
            Post(UM_BASELINE, 1, 0);
        }
    }
}

void TApparaZQ735::SetRanges(float x1, float x2, float y1, float y2)
{
    {
        std::lock_guard g(FLock);
        FParams.XStart = std::max(x1, x2);
        FParams.XEnd = std::min(x1, x2);
        FParams.YStart = std::min(y1, y2);
        FParams.YEnd = std::max(y1, y2);
    }
    ApplyViewAndBaseline();
}

bool TApparaZQ735::StartHundredScan()
{
    TMeasureParams p = CurrentParams();
    p.Mode = 0;
    // Later scans are divided by this line point for point over wavenumber,
    // so it is always a wavenumber scan, whatever the current method.
    p.ScanMode = 0;
    p.Speed = 0;
    p.Slit = 2;
    p.Response = 2;
    p.XStart = 4000.0f;
    p.XEnd = 400.0f;
    p.YStart = 0.0f;
    p.YEnd = 102.0f;
    SetParams(p);
    FHundredNotice.clear();
    FHundredPending = true;
    if (FTask != nullptr)
        FTask->RequestScan(20);
    return true;
}

bool TApparaZQ735::StartBackgroundScan()
{
    TMeasureParams p = CurrentParams();
    p.Mode = 0;
    p.ScanMode = 0;
    SetParams(p);
    FBackPending = true;
    if (FTask != nullptr)
        FTask->RequestScan(20);
    return true;
}

bool TApparaZQ735::SetBaselineCorrection(bool on)
{
    const bool v = on && FBackground != nullptr && CurrentParams().Mode != 2;
    FBackCorrection = v;
    return v;
}

TMeasureParams* TApparaZQ735::ParamsOfSlot(int i)
{
    return (i >= 0 && i < 20) ? &FSlotParams[i] : nullptr;
}

void TApparaZQ735::ClearAll()
{
    FGraph.DeleteAllCurves();
    {
        std::lock_guard g(FCurveLock);
        FCurve = nullptr;
    }
    Post(UM_CURVE_LIST, 3, 0);
}

// --- state and motors ----------------------------------------------------------

void TApparaZQ735::SetInstrumentState(int status)
{
    int posted;
    if (status == 0xE0) {
        const int s = FState.load();
        if (s == StateNone || s == StateChecking)
            FState = StatePresent;
        posted = FState.load();
    } else {
        if (FState.load() != StateReady)
            FState = status;
        posted = status;
    }
    Post(UM_STATE, 0, static_cast<int8_t>(posted));
}

void TApparaZQ735::NotifyTaskStart(int command)
{
    switch (command) {
    case 1: Post(UM_STATUS_TEXT, 0, 1); break;
    case 2: Post(UM_STATUS_TEXT, 0, 3); break;
    case 4: Post(UM_STATUS_TEXT, 0, 2); break;
    case 6: Post(UM_STATE, 0, 1); break;
    default: break;
    }
    Post(UM_BUSY, 0, 0);
}

void TApparaZQ735::NotifyTaskEnd(int /*command*/, int result)
{
    if (result >= 0) {
        Post(UM_BUSY, 0, 1);
        Post(UM_STATUS_TEXT, 0, 0);
    }
}

void TApparaZQ735::ReportReset(int type, int kind, int value)
{
    if (type == 2) {
        switch (kind) {
        case 1:
            FGrating = 0;
            FWavenumber = 4000.0f;
            break;
        case 2:
            FFilter = 0;
            AddMotorSteps(2, 0, true);
            break;
        case 3:
            FSlit = 0;
            AddMotorSteps(1, 0, true);
            break;
        case 4:
            FShutter = 0;
            AddMotorSteps(4, 0, true);
            break;
        default: break;
        }
    } else if (type == 3) {
        // Failed (negative, 210) or stopped (211): the motors are not at their
        // references, and the instrument still needs a reset.
        FState = (value < 0 || value == 210 || value == 211) ? StatePresent : StateReady;
        FWavenumber = 4000.0f;
        Post(UM_POSITION, 0, 40000);
    }
    Post(UM_RESET_PROGRESS, (static_cast<intptr_t>(kind) << 16) | type, value);
}

void TApparaZQ735::NotifyParams(int phase)
{
    Post(UM_PARAMS, reinterpret_cast<intptr_t>(&FParams), phase);
}

void TApparaZQ735::PostStatusText(int n) { Post(UM_STATUS_TEXT, 0, n); }

void TApparaZQ735::PostWait(int phase, int value) { Post(UM_WAIT, phase, value); }

void TApparaZQ735::AddMotorSteps(int motor, int steps, bool post)
{
    switch (motor) {
    case 0: {
        const TSystemBlock sb = SystemBlock();
        const int position = FGrating.fetch_add(steps) + steps;
        const float x = WavenumberAtSteps(position, sb.StepsAbove, sb.StepsBelow);
        FWavenumber = x;
        {
            std::lock_guard g(FLock);
            FParams.CurrentX = x;
        }
        if (post)
            Post(UM_POSITION, 0, static_cast<intptr_t>(static_cast<int>(x)) * 10);
        break;
    }
    case 1:
        if (post)
            Post(UM_POSITION, 1, FSlit.fetch_add(steps) + steps);
        else
            FSlit += steps;
        break;
    case 2:
        if (post)
            Post(UM_POSITION, 2, FFilter.fetch_add(steps) + steps);
        else
            FFilter += steps;
        break;
    case 4:
        if (post)
            Post(UM_POSITION, 4, FShutter.fetch_add(steps) + steps);
        else
            FShutter += steps;
        break;
    default: break;
    }
}

// --- geometry ---------------------------------------------------------------------

TPointCounts TApparaZQ735::PointsBetween(float from, float to) const
{
    const TSystemBlock sb = SystemBlock();
    return ::PointsBetween(from, to, sb.StepsAbove, sb.StepsBelow, StepsPerPoint(CurrentParams().Speed));
}

float TApparaZQ735::SegmentEnd(float x) const { return ::SegmentEnd(x, ScanViewTo(), SlitProgramOf(FRowsType)); }

float TApparaZQ735::NextPointX(float x) const
{
    const TSystemBlock sb = SystemBlock();
    return ::NextPointX(x, sb.StepsAbove, sb.StepsBelow, StepsPerPoint(CurrentParams().Speed), ScanViewTo());
}

int TApparaZQ735::FilterStepsTo(float x) const { return Rows().Filter[FilterBand(x)] - FFilter.load(); }

int TApparaZQ735::SlitStepsTo(float x) const
{
    const TMeasureParams p = CurrentParams();
    const int slit = (p.Slit >= 1 && p.Slit <= 5) ? p.Slit : 3;
    int c = SlitIndex(x, SlitProgramOf(FRowsType)) + Rows().Slit[slit];
    c = std::min(c, Rows().MaxSlit);
    return c - FSlit.load();
}

int TApparaZQ735::GratingStepsTo(float x) const
{
    const TSystemBlock sb = SystemBlock();
    return ::GratingStepsTo(x, FGrating.load(), sb.StepsAbove, sb.StepsBelow, sb.MaxWavenumber);
}

void TApparaZQ735::CaptureScanView()
{
    FSink.Invoke([this] {
        FScanFrom = FGraph.XViewFrom;
        FScanTo = FGraph.XViewTo;
    });
}

// --- curves of a scan ---------------------------------------------------------------

TSpCurveZQ735* TApparaZQ735::StartNewCurve()
{
    TSpCurveZQ735* curve = nullptr;
    FSink.Invoke([&] {
        const int i = FGraph.NewCurve();
        if (i >= 0)
            FGraph.SetCurrent(i);
        Post(UM_CURVE_LIST, 0, i);
        curve = FGraph.CurrentCurve();
    });
    return curve;
}

void TApparaZQ735::PrepareCurve(TSpCurveZQ735* curve)
{
    FSink.Invoke([&] {
        const int i = FGraph.IndexOfCurve(curve);
        if (i < 0)
            return;
        TMeasureParams& slot = FSlotParams[i];
        slot = CurrentParams();
        TCurveInfo& info = curve->Info;
        static const char* const yTitles[3] = {"透过率", "吸光度", "能量"};
        SetGbkField(info.YTitle, yTitles[slot.Mode <= 2 ? slot.Mode : 0]);
        if (slot.ScanMode == 2) {
            SetGbkField(info.XTitle, "时间");
            SetGbkField(info.XUnit, "秒");
            slot.XStart = FGraph.XViewFrom;
            slot.XEnd = FGraph.XViewTo;
            curve->SetScanRange(slot.XStart, slot.XEnd, FGraph.YViewFrom, FGraph.YViewTo, 0.0f, 0,
                                static_cast<int>(slot.ScanTime));
        } else {
            SetGbkField(info.XTitle, "波数");
            SetGbkField(info.XUnit, "cm-1");
            slot.XStart = FWavenumber.load();
            slot.XEnd = FGraph.XViewTo;
            const TPointCounts c = PointsBetween(slot.XStart, slot.XEnd);
            curve->SetScanRange(slot.XStart, slot.XEnd, FGraph.YViewFrom, FGraph.YViewTo, 2000.0f, c.Upper,
                                c.Lower);
        }
        SlotParamsChanged();
        FRecoveryParams = slot;
        Post(UM_CURVE_LIST, 1, i);
    });
}

void TApparaZQ735::BeginCurve()
{
    TSpCurveZQ735* curve = nullptr;
    FSink.Invoke([&] { curve = FGraph.CurrentCurve(); });
    if (curve == nullptr)
        curve = StartNewCurve();
    const TMeasureParams p = CurrentParams();
    if (curve != nullptr && curve->GetCount() > 0 && (p.ScanMode == 1 || FBackPending || FHundredPending))
        curve = StartNewCurve();
    {
        std::lock_guard g(FCurveLock);
        FCurve = curve;
    }
    if (curve != nullptr) {
        FSink.Invoke([&] {
            const int slot = FGraph.IndexOfCurve(curve);
            if (slot < 0)
                return;
            if (ScanReplacesCurve && curve->GetCount() > 0)
                ScanReplacesCurve(slot);
            curve->Clear();
        });
        Post(UM_GRAPH_REDRAW, 0, 0);
        PrepareCurve(curve);
    }
    FSmoother.Reset();
    FRedrawTimer.Start();

    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    FRecoveryStarted = {static_cast<int16_t>(tm.tm_year + 1900), static_cast<int16_t>(tm.tm_mon + 1),
                        static_cast<int16_t>(tm.tm_mday),        static_cast<int16_t>(tm.tm_hour),
                        static_cast<int16_t>(tm.tm_min),         static_cast<int16_t>(tm.tm_sec)};
    FRecoveryWritten = 0;
    FRecoveryOn = curve != nullptr;
    FRecoveryTimer.Start();
}

void TApparaZQ735::EndCurve()
{
    TSpCurveZQ735* curve = FCurve.load();
    std::string notice;
    std::vector<uint8_t> finalRecovery;
    FSink.Invoke([&] {
        if (curve == nullptr || FGraph.IndexOfCurve(curve) < 0)
            return;
        const int slot = FGraph.IndexOfCurve(curve);
        const bool reachedEnd = ReachedScanEnd(*curve);
        auto copyInto = [&](std::unique_ptr<TSpCurveZQ735>& line, TMeasureParams& params) {
            params = FSlotParams[slot];
            TCurveInfo info{};
            curve->GetInfo(info);
            if (!line)
                line = std::make_unique<TSpCurveZQ735>(nullptr, info);
            line->Load(info, curve->GetData());
        };
        if (FHundredPending && reachedEnd) {
            // Every later reading is divided by this line: a point at or
            // below zero (a blocked beam, a fault) would turn them into
            // nonsense without a word.
            if (!HundredValuesUsable(curve->GetData(), curve->GetCount())) {
                FHundredNotice = "100%基线含有不大于零或无效的数值，未存储，仍使用原来的基线。";
            } else {
                copyInto(FHundred, FHundredParams);
                ++FHundredStored;
                // The new line is measured and in force; only the next
                // start would not have it.
                if (SaveHundredLine() != 0)
                    FHundredNotice =
                        "无法存储文件 " + HundredLinePath() + "，新的100%基线只在本次运行中使用。";
            }
            notice = FHundredNotice;
        }
        if (FBackPending && reachedEnd) {
            copyInto(FBackground, FBackParams);
            ++FBackStored;
            Post(UM_BASELINE, 1, 1);
        }
        // A baseline scan ends here either way: a stopped one leaves the
        // stored baseline as it was and is an ordinary curve from now on.
        FHundredPending = false;
        FBackPending = false;
    });
    Post(UM_CURVE_DATA, 0, reinterpret_cast<intptr_t>(curve));
    // The scan is over however it ended, and its points are in the graph:
    // there is nothing left to recover, unless the caller saves them itself;
    // then the file takes the last points too, until that save succeeded.
    if (FRecoveryOn) {
        FRecoveryOn = false;
        if (FDiscardRecoveryAtEnd) {
            DiscardRecovery();
        } else if (curve != nullptr) {
            std::lock_guard g(FCurveLock);
            if (FCurve.load() == curve) {
                FRecoveryWritten = 0;
                finalRecovery = TakeRecoverySnapshot(*curve);
            }
        }
        if (!finalRecovery.empty())
            WriteFileAtomic(RecoveryPath(), finalRecovery);
    }
    if (!notice.empty())
        FSink.ShowError(notice);
}

void TApparaZQ735::ScanCommandEnded()
{
    FHundredPending = false;
    FBackPending = false;
}

bool TApparaZQ735::ReachedScanEnd(TSpCurveZQ735& curve) const
{
    // The scan's last point lies up to one point step before a range end
    // that is not on the step grid (700 -> 650.2 at 1 cm-1 ends at 651), so
    // the point count decides; the grating standing at the end counts too.
    const TCurveInfo info = curve.GetInfo();
    if (info.Capacity > 0 && info.PointCount >= info.Capacity)
        return true;
    const TMeasureParams p = CurrentParams();
    if (p.ScanMode == 2)
        return false;
    const TSystemBlock sb = SystemBlock();
    const float end = p.XEnd;
    const int perCm = end >= 2000.0f ? sb.StepsAbove : sb.StepsBelow;
    const float step = perCm > 0 ? static_cast<float>(StepsPerPoint(p.Speed)) / static_cast<float>(perCm) : 0.0f;
    return std::fabs(FWavenumber.load() - end) <= 0.5f * step;
}

// --- reading pipeline ------------------------------------------------------------------

float TApparaZQ735::ConvertReading(int32_t a, int32_t b, uint8_t kind)
{
    const TSystemBlock sb = SystemBlock();
    FConverter.K = sb.ZeroCoef;
    FConverter.D = sb.FullCoef;
    FConverter.StrayLightCorr = sb.StrayLightCorr != 0;
    return FConverter.Convert(a, b, kind);
}

void TApparaZQ735::StoreReference(int32_t a, int32_t b, uint8_t kind)
{
    const float v = ConvertReading(a, b, kind);
    std::lock_guard g(FLock);
    if (kind == KindZeroReference)
        FSystem.ZeroCoef = v;
    else if (kind == KindFullReference)
        FSystem.FullCoef = v;
}

float TApparaZQ735::CorrectByBaselines(float y, int index, float hundredX, uint8_t mode)
{
    // The baselines are wavenumber curves: they are read on their own
    // wavenumber axis even while slot 0 holds a time drive, whose time axis
    // the curves' ordinary mappings would follow.
    if (FHundred && mode != 2 && !FHundredPending) {
        float r = 100.0f;
        FHundred->ValueAtWavenumber(hundredX, r);
        y = CorrectByBaseline(y, r, mode);
    }
    if (FBackCorrection && FBackground && !FBackPending && !FHundredPending) {
        float r = 100.0f;
        FBackground->ValueAtWavenumber(FBackground->WavenumberAtIndex(index), r);
        y = CorrectByBaseline(y, r, mode);
    }
    return y;
}

void TApparaZQ735::AddScanPoints(const float* values, int n)
{
    std::vector<uint8_t> recovery;
    AppendScanPoints(values, n, recovery);
    if (!recovery.empty())
        WriteFileAtomic(RecoveryPath(), recovery);
}

void TApparaZQ735::AppendScanPoints(const float* values, int n, std::vector<uint8_t>& recovery)
{
    std::lock_guard g(FCurveLock);
    TSpCurveZQ735* curve = FCurve.load();
    if (n < 1 || curve == nullptr)
        return;
    const TMeasureParams p = CurrentParams();
    const uint8_t mode = p.Mode;
    // A time drive stands at one wavenumber: its every point is corrected by
    // the baseline there, not by the baseline at its elapsed seconds.
    const bool timeDrive = p.ScanMode == 2;
    float y = 0.0f;
    for (int k = 0; k < n; ++k) {
        if (!FSmoother.Push(values[k], y))
            continue;
        const int i = curve->GetCount();
        const float x = timeDrive ? FWavenumber.load() : std::trunc(curve->WavenumberAtIndex(i) + 0.5f);
        y = CorrectByBaselines(y, i, x, mode);
        curve->AppendData(&y, 1);
    }
    if (FRedrawTimer.ElapsedMs() >= RedrawIntervalMs) {
        FRedrawTimer.Start();
        if (FSmoother.Count > 2)
            Post(UM_READING, static_cast<intptr_t>(FWavenumber.load() * 100.0f),
                 static_cast<intptr_t>(y * 10000.0f));
        Post(UM_CURVE_DATA, 0, reinterpret_cast<intptr_t>(curve));
    }
    if (FRecoveryOn && FRecoveryTimer.ElapsedMs() >= RecoveryIntervalMs)
        recovery = TakeRecoverySnapshot(*curve);
}

std::vector<uint8_t> TApparaZQ735::TakeRecoverySnapshot(TSpCurveZQ735& curve)
{
    FRecoveryTimer.Start();
    TScanRecovery r;
    {
        std::lock_guard g(curve.Mutex);
        const int32_t count = curve.GetCount();
        if (count < 1 || count == FRecoveryWritten)
            return {};
        FRecoveryWritten = count;
        curve.GetInfo(r.Info);
        r.Values.assign(curve.GetData(), curve.GetData() + count);
    }
    r.Started = FRecoveryStarted;
    r.Params = FRecoveryParams;
    return SerializeScanRecovery(r);
}

// --- scan recovery ------------------------------------------------------------------------

std::string TApparaZQ735::RecoveryPath() const { return FDataDir + "/" + kRecoveryFileName; }

std::optional<TScanRecovery> TApparaZQ735::PendingRecovery(std::string* setAside)
{
    if (setAside != nullptr)
        setAside->clear();
    const std::string path = RecoveryPath();
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0)
        return std::nullopt;
    // The largest file a storable curve gives.
    constexpr size_t MaxBytes = RecoveryValuesOffset + 4 * size_t{kMaxCurvePoints};
    std::vector<uint8_t> bytes;
    std::optional<TScanRecovery> r;
    if (ReadRegularFile(path, MaxBytes, bytes) == 0)
        r = ParseScanRecovery(bytes);
    if (!r) {
        const std::time_t now = std::time(nullptr);
        std::tm tm{};
        localtime_r(&now, &tm);
        char stamp[32];
        std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &tm);
        std::string aside = path + ".damaged-" + stamp;
        for (int n = 2; ::access(aside.c_str(), F_OK) == 0 && n < 100; ++n)
            aside = path + ".damaged-" + stamp + "-" + std::to_string(n);
        if (::rename(path.c_str(), aside.c_str()) == 0) {
            if (setAside != nullptr)
                *setAside = aside;
        } else {
            // Left where it is, it would be offered (and refused) at every start.
            DiscardRecovery();
        }
    }
    return r;
}

int TApparaZQ735::RestoreRecovery(const TScanRecovery& r)
{
    SetParams(r.Params);
    const int slot = FGraph.NewCurve();
    TSpCurveZQ735* curve = FGraph.CurveAt(slot);
    if (slot < 0 || curve == nullptr)
        return -1;
    FGraph.SetCurrent(slot);
    FSlotParams[slot] = r.Params;
    curve->Load(r.Info, r.Values.data());
    SlotParamsChanged();
    FGraph.CurveChanged();
    Post(UM_CURVE_LIST, 1, slot);
    return slot;
}

void TApparaZQ735::DiscardRecovery() { std::remove(RecoveryPath().c_str()); }

void TApparaZQ735::ShowReading(float v)
{
    int i = 0;
    {
        std::lock_guard g(FCurveLock);
        if (TSpCurveZQ735* curve = FCurve.load())
            i = curve->GetCount();
    }
    v = CorrectByBaselines(v, i, FWavenumber.load(), CurrentParams().Mode);
    Post(UM_READING, static_cast<intptr_t>(FWavenumber.load() * 100.0f), static_cast<intptr_t>(v * 10000.0f));
}
