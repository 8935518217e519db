#pragma once
// The program's model of the instrument and of the measurement: parameters
// (current and per graph slot), the system block of instrument constants,
// the tracked motor positions and instrument state, the 100 % and background
// baselines, and the curve that receives the points of a scan. It is the only
// sender of window messages on the acquisition side.
//
// Threads. The worker thread runs the acquisition operations; the window
// thread changes parameters, ranges and files. Shared single values are
// atomics; the current parameters and the system block sit behind one small
// lock (copied out, never held across a call); everything that touches the
// graph's slots or its drawing surface (creating and sizing a scan's curve,
// finishing it into a baseline) runs on the window thread through the sink's
// Invoke, so the graph itself needs no lock.

#include "acquisition/InstrumentGeometry.h"
#include "acquisition/MeasureParams.h"
#include "acquisition/MessageSink.h"
#include "acquisition/ReadingConversion.h"
#include "acquisition/ScanRecovery.h"
#include "link/FTime.h"
#include "spectra/SpTimeDrive.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

class TSpGraph735;
class TSpCurveZQ735;
class TZQ735Task;

// Instrument constants, 48 bytes as exchanged with GetSystemBlock and
// SetSystemBlock. The row references of the motor type are kept as the motor
// type they were chosen for, so the block stays a plain value of fixed size.
struct TSystemBlock {
    int32_t StepsAbove = 5;    // grating steps per cm-1 at and above 2000 cm-1
    int32_t StepsBelow = 10;   // below 2000 cm-1
    int32_t MotorType = 1;     // 0 imported ("进口"), 1 domestic ("国产")
    int32_t MaxWavenumber = 4000;
    int32_t MinWavenumber = 400;
    float ZeroCoef = 1.0f;     // K
    float FullCoef = 100.0f;   // D
    uint32_t FilterRowOf = 1;  // motor type whose rows are in use
    uint32_t SlitRowOf = 1;
    uint32_t ShutterRowOf = 1;
    uint32_t SlitProgramOf = 1;
    uint8_t StrayLightCorr = 1;
    uint8_t Pad[3] = {0, 0, 0};
};
static_assert(sizeof(TSystemBlock) == 48);

// The main window's scan date; all -1 means "not set".
struct TScanDateTime {
    int16_t Year = -1, Month = -1, Day = -1, Hour = -1, Minute = -1, Second = -1;
};
inline bool ScanDateSet(const TScanDateTime& d)
{
    return !(d.Year == -1 && d.Month == -1 && d.Day == -1 && d.Hour == -1 && d.Minute == -1 && d.Second == -1);
}

// A date on the calendar (years 1 to 9999) with a time of day; a damaged
// file's fields are no date.
inline bool ScanDateValid(const TScanDateTime& d)
{
    static constexpr int8_t days[12] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (d.Year < 1 || d.Month < 1 || d.Month > 12 || d.Day < 1 || d.Day > days[d.Month - 1])
        return false;
    const bool leap = (d.Year % 4 == 0 && d.Year % 100 != 0) || d.Year % 400 == 0;
    if (d.Month == 2 && d.Day == 29 && !leap)
        return false;
    return d.Hour >= 0 && d.Hour <= 23 && d.Minute >= 0 && d.Minute <= 59 && d.Second >= 0 && d.Second <= 59;
}

enum TInstrumentState : int { StateNone = 0, StateChecking = 1, StatePresent = 2, StateReady = 5 };

class TApparaZQ735 final : private TSpTimeDriveSource {
public:
    // `dataDir` is where "BK100.dat" lives. The sink and the graph are not owned.
    TApparaZQ735(TMessageSink& sink, TSpGraph735& graph, std::string dataDir);
    ~TApparaZQ735();
    TApparaZQ735(const TApparaZQ735&) = delete;
    TApparaZQ735& operator=(const TApparaZQ735&) = delete;

    // The scan starters ask this engine for the scan. May stay null.
    void SetTask(TZQ735Task* task) { FTask = task; }
    TMessageSink& Sink() { return FSink; }
    TSpGraph735& Graph() { return FGraph; }

    // --- parameters (window thread) ---------------------------------------
    void SetParams(const TMeasureParams& p);
    void SetRanges(float x1, float x2, float y1, float y2);
    bool StartHundredScan();
    bool StartBackgroundScan();
    bool SetBaselineCorrection(bool on);
    bool BaselineCorrection() const { return FBackCorrection.load(); }
    // The slot's record for 0 <= i < 20, else null. Window thread.
    TMeasureParams* ParamsOfSlot(int i);
    TMeasureParams CurrentParams() const;
    void GetSystemBlock(void* dst) const;
    void SetSystemBlock(const void* src);
    TSystemBlock SystemBlock() const;
    void ClearAll();

    // --- state and motors (worker thread writes, anyone reads) -------------
    float CurrentWavenumber() const { return FWavenumber.load(); }
    int GratingPosition() const { return FGrating.load(); }
    int FilterPosition() const { return FFilter.load(); }
    int SlitPosition() const { return FSlit.load(); }
    int ShutterPosition() const { return FShutter.load(); }
    int InstrumentState() const { return FState.load(); }

    void SetInstrumentState(int status);
    void NotifyTaskStart(int command);
    void NotifyTaskEnd(int command, int result);
    void ReportReset(int type, int kind, int value);
    void NotifyParams(int phase);
    void PostStatusText(int n);
    void PostWait(int phase, int value);
    void AddMotorSteps(int motor, int steps, bool post);

    // --- geometry with this instrument's constants --------------------------
    TPointCounts PointsBetween(float from, float to) const;
    float SegmentEnd(float x) const;
    float NextPointX(float x) const;
    int FilterStepsTo(float x) const;
    int SlitStepsTo(float x) const;
    int GratingStepsTo(float x) const;
    const TMotorRows& Rows() const { return MotorRowsOf(FRowsType); }
    // The view the running scan goes by, taken from the graph when it starts.
    void CaptureScanView();
    float ScanViewFrom() const { return FScanFrom.load(); }
    float ScanViewTo() const { return FScanTo.load(); }

    // --- curves of a scan (worker thread; the graph work runs on the window thread)
    TSpCurveZQ735* StartNewCurve();
    void PrepareCurve(TSpCurveZQ735* curve);
    // Told on the window thread, with the slot, just before a scan clears a
    // curve that holds points to fill it again, so that the window can keep
    // what the scan replaces (to take the scan back).
    std::function<void(int slot)> ScanReplacesCurve;
    void BeginCurve();
    void EndCurve();
    TSpCurveZQ735* CurrentCurve() const { return FCurve.load(); }
    // How often a finished scan has become the 100 % baseline or the
    // background baseline since construction: a caller that started such a
    // scan compares before and after to learn whether it was stored.
    int HundredLinesStored() const { return FHundredStored.load(); }
    int BackgroundLinesStored() const { return FBackStored.load(); }
    bool HundredScanPending() const { return FHundredPending.load(); }
    bool BackgroundScanPending() const { return FBackPending.load(); }
    // The end of a scan command, however it ended: a 100 % or background scan
    // that did not reach its end is no longer pending, so that no later
    // sample scan silently becomes the baseline.
    void ScanCommandEnded();

    // --- reading pipeline (worker thread) ------------------------------------
    float ConvertReading(int32_t a, int32_t b, uint8_t kind);
    void StoreReference(int32_t a, int32_t b, uint8_t kind);
    void AddScanPoints(const float* values, int n);
    void ShowReading(float v);

    // --- files (window thread) -----------------------------------------------
    int SaveSpectrumFile(const std::string& path, TScanDateTime& date);
    int OpenSpectrumFile(const std::string& path, TScanDateTime& date);
    // Takes BK100.dat as the 100 % baseline when the file is whole and every
    // value is a finite transmittance above zero (a reading is divided by
    // it); otherwise the baseline before stays and HundredLineNotice says why.
    TSpCurveZQ735* LoadHundredLine();
    // Writes BK100.dat; 0, or the errno of the write (the file before stays whole).
    int SaveHundredLine();
    // Why the last BK100.dat read, or the last 100 % baseline scan that came
    // to its end, was not taken or not stored; empty when it was. Window thread.
    const std::string& HundredLineNotice() const { return FHundredNotice; }
    std::string HundredLinePath() const;
    TSpCurveZQ735* HundredLine() const { return FHundred.get(); }
    TSpCurveZQ735* BackgroundLine() const { return FBackground.get(); }

    // --- scan recovery --------------------------------------------------------------
    // While a scan runs the worker writes its points so far through to this
    // file (ScanRecovery.h); the end of the scan command removes it.
    std::string RecoveryPath() const;
    // The record of a scan that did not end, when the data folder holds a
    // usable one. A file that is not one is kept aside under a new name (its
    // name in `setAside`, else that stays empty): it may still hold points
    // someone can get back by hand. Window thread, at start.
    std::optional<TScanRecovery> PendingRecovery(std::string* setAside = nullptr);
    // Takes the recovered scan's parameters as the current ones (the view
    // follows them) and puts its points into the graph as a new curve with
    // the scan's record; its slot, or -1 when every slot is taken. The file
    // stays until the spectrum is saved. Window thread.
    int RestoreRecovery(const TScanRecovery& r);
    void DiscardRecovery();
    // Whether the end of a scan removes its recovery file (the window: its
    // points are in the graph). A caller that saves the scan itself turns
    // this off, so that the points stay on the disk until its save succeeded
    // (SaveSpectrumFile removes the file then).
    void SetDiscardRecoveryAtScanEnd(bool on) { FDiscardRecoveryAtEnd = on; }

    // After a slot's record changed on the window thread (the attribute and
    // file commands write through ParamsOfSlot): the curves' time axis
    // follows the record of slot 0.
    void SlotParamsChanged();

private:
    void Post(unsigned message, intptr_t wParam, intptr_t lParam) { FSink.Post(message, wParam, lParam); }
    // SetParams steps 2 and 3 with the current parameters.
    void ApplyViewAndBaseline();
    // Curves map time-drive abscissas with the record of slot 0; both threads ask.
    bool TimeDriveAxis(TSpTimeAxis& axis) const override;
    float CorrectByBaselines(float y, int index, float hundredX, uint8_t mode);
    // The scan that filled `curve` has come to its end: all its points are
    // there, or the grating stands within half a point step of the end.
    bool ReachedScanEnd(TSpCurveZQ735& curve) const;

    TMessageSink& FSink;
    TSpGraph735& FGraph;
    std::string FDataDir;
    TZQ735Task* FTask = nullptr;

    std::unique_ptr<TSpCurveZQ735> FHundred;
    TMeasureParams FHundredParams;
    std::atomic<bool> FHundredPending{false};
    std::unique_ptr<TSpCurveZQ735> FBackground;
    TMeasureParams FBackParams;
    std::atomic<bool> FBackPending{false};
    std::atomic<bool> FBackCorrection{false};

    mutable std::mutex FLock;  // FSystem, FParams
    TSystemBlock FSystem;
    TMeasureParams FParams;
    int FRowsType = 1;  // motor type whose rows were chosen at construction

    std::atomic<float> FWavenumber{4000.0f};
    std::atomic<int> FGrating{0}, FFilter{0}, FSlit{0}, FShutter{0};
    std::atomic<int> FState{StateNone};
    std::atomic<float> FScanFrom{4000.0f}, FScanTo{400.0f};

    std::atomic<int> FHundredStored{0};
    std::string FHundredNotice;
    std::atomic<int> FBackStored{0};

    // The scan curve is owned by the graph, whose slot table only the window
    // thread changes. The worker uses the curve while holding FCurveLock, and
    // the graph's deletion hook takes the same lock to make the model let go
    // before the curve is freed. Lock order: FCurveLock, then the curve's own.
    std::mutex FCurveLock;
    std::atomic<TSpCurveZQ735*> FCurve{nullptr};
    TMeasureParams FSlotParams[20];
    mutable std::mutex FAxisLock;  // FAxis, FAxisOn: a copy of slot 0's time axis
    TSpTimeAxis FAxis;
    bool FAxisOn = false;

    // Worker thread only.
    TReadingConverter FConverter;
    TSmoother FSmoother;
    FTime FRedrawTimer;

    // The running scan's recovery file (worker thread; FRecoveryParams is
    // filled on the window thread inside the worker's Invoke). The points are
    // copied under the curve's lock and written after every lock the window
    // may take is released, so neither thread waits on the disk for the other.
    void AppendScanPoints(const float* values, int n, std::vector<uint8_t>& recovery);
    std::vector<uint8_t> TakeRecoverySnapshot(TSpCurveZQ735& curve);
    bool FRecoveryOn = false;
    std::atomic<bool> FDiscardRecoveryAtEnd{true};
    int32_t FRecoveryWritten = 0;
    FTime FRecoveryTimer;
    TMeasureParams FRecoveryParams;
    std::array<int16_t, 6> FRecoveryStarted = {-1, -1, -1, -1, -1, -1};
};
