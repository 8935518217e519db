#include "acquisition/ZQ735Task.h"

#include "acquisition/ApparaZQ735.h"
#include "link/SpComm.h"

#include <chrono>
#include <cmath>
#include <span>
#include <thread>

namespace {

constexpr int ResultStopped = TSpCmd735::kResultStopped;
constexpr int CalibrationPeriods = 8;

bool EndsProcedure(int r) { return r < 0 || r == ResultStopped; }

}  // namespace

TZQ735Task::TZQ735Task(TApparaZQ735& model, TSpComm& channel)
    : FModel(model), FChannel(channel), FCmd(this, channel)
{
}

void TZQ735Task::RequestConnect()
{
    // The loop sets running first thing; sleeping keeps this wait off the processor.
    while (!FRunning.load() && !IsStopRequested())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    FPending = CmdConnect;
}

void TZQ735Task::Stop()
{
    // The flag first: a procedure that sees a motor end with 211 finds it set.
    FScanStop = true;
    FCmd.SendStop();
}

int TZQ735Task::Periods() const { return PeriodsPerPoint(FModel.CurrentParams().Response); }

int TZQ735Task::StepsPerPointNow() const { return StepsPerPoint(FModel.CurrentParams().Speed); }

void TZQ735Task::Run()
{
    FPending = CmdNone;
    FCurrent = CmdNone;
    SetFinished(false);
    FRunning = true;
    while (!IsStopRequested()) {
        const uint8_t c = FPending.exchange(CmdNone);
        if (c == CmdNone) {
            IdlePass();
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            continue;
        }
        FCurrent = c;
        FModel.NotifyTaskStart(c);
        const int r = RunCommand(c);
        FModel.NotifyTaskEnd(c, r);
        if (r < 0) {
            // A command that gave up may leave the instrument still streaming
            // its answer; the stop byte ends that, so that the idle passes
            // find it listening again instead of losing it for minutes.
            FCmd.SendStop();
            FModel.Sink().ShowError(FCmd.LastErrorText());
            // The window learns that the failed task is over and may return to idle.
            FModel.Sink().Post(UM_TASK_FAILED, 0, r);
        }
        FCurrent = CmdNone;
    }
    FRunning = false;
    SetFinished(true);
}

int TZQ735Task::RunCommand(int command)
{
    switch (command) {
    case CmdReset: return SystemReset();
    case CmdGoto: return GotoWavenumber(FGotoTarget.load());
    case CmdApply: return ApplyParams();
    case CmdScan: {
        const int r = FModel.CurrentParams().ScanMode == 2 ? TimeDrive() : WavenumberScan();
        FModel.ScanCommandEnded();
        return r;
    }
    case CmdCalibrate: return CalibrateReferences();
    case CmdConnect: return ConnectCheck();
    default: return 0;  // unknown codes are dropped
    }
}

int TZQ735Task::IdlePass()
{
    FChannel.Open();
    int status = 0;
    const int r = FCmd.Cmd_Connect(status);
    FModel.SetInstrumentState(status);
    if (r < 0) {
        FChannel.Close();
        return r;
    }
    const int m = MeasurePoint(FLastValue, Periods());
    if (m >= 0) {
        FModel.ShowReading(FLastValue);
        return 0;
    }
    return m;
}

int TZQ735Task::MeasurePoint(float& out, int periods)
{
    const int r = FCmd.Cmd_AcqWave(FSamples, SampleBufferWords, static_cast<uint16_t>(periods));
    if (r >= 0) {
        const std::span<const int16_t> s(FSamples, static_cast<size_t>(periods) * 60);
        FSumA = SumA(s, periods);
        FSumB = SumB(s, periods);
        out = FModel.ConvertReading(FSumA, FSumB, FModel.CurrentParams().Mode);
    }
    return r;
}

int TZQ735Task::ConnectCheck()
{
    FChannel.Open();
    if (FChannel.IsConnected() == 0)
        return 0;
    FModel.SetInstrumentState(1);
    int status = 0;
    const int r = FCmd.Cmd_Connect(status);
    FModel.SetInstrumentState(status);
    if (r < 0)
        FChannel.Close();
    return r;
}

int TZQ735Task::ApplyFilterSlit()
{
    const float x = FModel.CurrentWavenumber();
    int r = FCmd.RunFilter(FModel.FilterStepsTo(x));
    if (r < 0)
        return r;
    r = FCmd.RunSlit(FModel.SlitStepsTo(x));
    if (r < 0)
        return r;
    return FCmd.SetSlitCode(static_cast<int16_t>(SlitCode(FModel.CurrentParams().Slit)));
}

int TZQ735Task::ApplyParams()
{
    FModel.NotifyParams(0);
    const TMeasureParams p = FModel.CurrentParams();
    const float x = FModel.CurrentWavenumber();
    int r = FCmd.SetSpeedCode(static_cast<int16_t>(StepsPerPoint(p.Speed)));
    if (r >= 0)
        r = FCmd.SetResponseCode(static_cast<int16_t>(PeriodsPerPoint(p.Response)));
    if (r >= 0)
        r = FCmd.RunFilter(FModel.FilterStepsTo(x));
    if (r >= 0)
        r = FCmd.RunSlit(FModel.SlitStepsTo(x));
    if (r >= 0)
        r = FCmd.SetSlitCode(static_cast<int16_t>(SlitCode(p.Slit)));
    FModel.NotifyParams(1);
    return r < 0 ? r : 0;
}

int TZQ735Task::GotoWavenumber(float x)
{
    const int r = FCmd.RunGrating(FModel.GratingStepsTo(x));
    if (r < 0)
        return r;
    const int r2 = ApplyFilterSlit();
    return r == ResultStopped ? ResultStopped : r2;
}

int TZQ735Task::SystemReset()
{
    const TMotorRows& rows = FModel.Rows();
    // A stopped motor is not at its reference: the reset ends there with 211
    // rather than going on and reporting a ready instrument. A Stop that falls
    // between two motors (the sensor query, a settling delay) reaches no
    // motor, so the flag Stop sets is looked at between the phases too.
    const auto ends = [this](int& r) {
        if (r >= 0 && r != ResultStopped && FScanStop.load())
            r = ResultStopped;
        return EndsProcedure(r);
    };
    int r = 0;
    [&] {
        const int slit = rows.Slit[0];
        FModel.ReportReset(0, 3, slit);
        r = FCmd.RunSlitDir(-1, slit);
        FModel.ReportReset(2, 3, r);
        if (ends(r))
            return;

        FModel.ReportReset(0, 1, 32600);
        int16_t status = 0;
        r = FCmd.Cmd_GetLBD(status);
        if (r < 0)
            return;
        if (status & 0x80) {
            // Parked on the position sensor: back off before the reference run,
            // or the reset would stop at once.
            r = FCmd.RunGrating(-800);
            if (ends(r))
                return;
            r = FCmd.Cmd_GetLBD(status);
            if (r < 0)
                return;
            if (status & 0x80) {
                r = 210;
                FModel.ReportReset(2, 1, 210);
                return;
            }
            FTimer.DelayMs(500);
        }
        if (ends(r))
            return;
        r = FCmd.Cmd_CReset();
        FModel.ReportReset(2, 1, r);
        if (ends(r))
            return;

        const int filter = rows.Filter[0];
        FModel.ReportReset(0, 2, filter);
        r = FCmd.RunFilterDir(-1, filter);
        FModel.ReportReset(2, 2, r);
        if (ends(r))
            return;

        const int shutter = rows.Shutter[0];
        FModel.ReportReset(0, 4, shutter);
        r = FCmd.RunZeroDir(1, shutter);
        FModel.ReportReset(2, 4, r);
        if (ends(r))
            return;

        r = ApplyParams();
        if (ends(r))
            return;
        r = CalibrateReferences();
        ends(r);
    }();
    FModel.ReportReset(3, 0, r);
    return r;
}

int TZQ735Task::CalibrateReferences()
{
    // A reference taken with the shutter stopped half way would be wrong for
    // every later reading: a Stop ends the calibration before the next
    // reference is stored.
    const auto ends = [this](int r) { return EndsProcedure(r) || FScanStop.load(); };
    const int n = FModel.Rows().Shutter[0];
    int r = FCmd.RunZeroDir(-1, n);
    if (ends(r))
        return r < 0 ? r : ResultStopped;
    FTimer.DelayMs(1000);
    r = FCmd.Cmd_AcqWave(FSamples, SampleBufferWords, CalibrationPeriods);
    if (ends(r))
        return r < 0 ? r : ResultStopped;
    {
        const std::span<const int16_t> s(FSamples, CalibrationPeriods * 60);
        FModel.StoreReference(SumA(s, CalibrationPeriods), SumB(s, CalibrationPeriods), KindZeroReference);
    }
    r = FCmd.RunZeroDir(1, n);
    if (ends(r))
        return r < 0 ? r : ResultStopped;
    FTimer.DelayMs(1000);
    r = FCmd.Cmd_AcqWave(FSamples, SampleBufferWords, CalibrationPeriods);
    if (ends(r))
        return r < 0 ? r : ResultStopped;
    const std::span<const int16_t> s(FSamples, CalibrationPeriods * 60);
    FModel.StoreReference(SumA(s, CalibrationPeriods), SumB(s, CalibrationPeriods), KindFullReference);
    return r;
}

int TZQ735Task::WavenumberScan()
{
    // A Stop ends the scan wherever it comes. The stop byte only ends the
    // motor or stream running at that moment, and the steps of the parameter
    // and positioning phase go on after a motor's 211; so the flag, which
    // Stop sets before the byte goes out and only RequestScan clears, is
    // looked at after every step.
    const auto stopped = [this] { return FScanStop.load(); };
    if (stopped())
        return ResultStopped;
    int r = ApplyParams();
    if (r < 0)
        return r;
    if (stopped())
        return ResultStopped;
    FModel.CaptureScanView();
    const float x0 = FModel.ScanViewFrom();
    const float x1 = FModel.ScanViewTo();
    int repeats = FModel.CurrentParams().ScanCount;
    while (repeats > 0 && !stopped()) {
        // Every scan starts at the beginning of the range, wherever the
        // grating stands. It fills its curve from that start: one that began
        // where a stopped scan (or "波数检索") left the grating would replace
        // the spectrum by one that silently lacks the top of the range. A part
        // of the range is scanned by setting the range.
        if (FModel.GratingStepsTo(x0) != 0) {
            r = GotoWavenumber(x0);
            if (EndsProcedure(r))
                return r;
        }
        const int s = StepsPerPointNow();
        const int position = FModel.GratingPosition();
        if (s > 0 && position % s != 0) {
            r = FCmd.RunGrating(s - position % s);
            if (EndsProcedure(r))
                return r;
            r = ApplyFilterSlit();
            if (r < 0)
                return r;
        }
        if (stopped())
            return ResultStopped;
        const float x = FModel.CurrentWavenumber();
        const int points = FModel.PointsBetween(x, x1).N + 1;
        if (points < 1)
            return 0;

        // A new scan gathers its points from scratch with this scan's settings.
        const TMeasureParams p = FModel.CurrentParams();
        FGathered = 0;
        FGatherPeriods = PeriodsPerPoint(p.Response);
        FGatherSteps = s;
        FGatherMode = p.Mode;
        FGatherMoves = true;

        FModel.BeginCurve();
        int done = 0;
        r = MeasurePoint(FLastValue, FGatherPeriods);
        if (r >= 0) {
            FModel.AddScanPoints(&FLastValue, 1);
            done = 1;
            while (done < points && !stopped()) {
                r = ApplyFilterSlit();
                FModel.PostStatusText(2);
                if (r < 0 || stopped())
                    break;
                const float here = FModel.CurrentWavenumber();
                const float e = FModel.SegmentEnd(here);
                const int n = FModel.PointsBetween(here, e).N;
                FModel.PostStatusText(2);
                r = FCmd.Cmd_Scan(FChunk, ChunkWords, n);
                done += n;
                if (EndsProcedure(r))
                    break;
                const float now = FModel.CurrentWavenumber();
                const float y = FModel.NextPointX(now);
                if (std::fabs(now - y) > 0.0001f) {
                    r = GotoWavenumber(y);
                    if (EndsProcedure(r))
                        break;
                    FModel.PostStatusText(2);
                    std::this_thread::sleep_for(std::chrono::milliseconds(50));
                    r = MeasurePoint(FLastValue, FGatherPeriods);
                    if (r < 0)
                        break;
                    FModel.AddScanPoints(&FLastValue, 1);
                    done += 1;
                }
            }
        }
        // The smoothing lags two points; the repeated last value flushes it.
        FModel.AddScanPoints(&FLastValue, 1);
        FModel.AddScanPoints(&FLastValue, 1);
        FModel.EndCurve();
        if (EndsProcedure(r))
            return r;
        if (stopped())
            return ResultStopped;
        --repeats;
    }
    return r;
}

int TZQ735Task::TimeDrive()
{
    if (FScanStop.load())
        return ResultStopped;  // stopped before it began
    // The instrument gathers each point with the speed and response codes it
    // holds; nothing else guarantees that they are this drive's.
    const int applied = ApplyParams();
    if (applied < 0)
        return applied;
    if (FScanStop.load())
        return ResultStopped;
    const TMeasureParams p = FModel.CurrentParams();
    FGathered = 0;
    FGatherPeriods = PeriodsPerPoint(p.Response);
    FGatherSteps = StepsPerPoint(p.Speed);
    FGatherMode = p.Mode;
    FGatherMoves = false;
    FModel.BeginCurve();
    const int r = FCmd.Cmd_ScanT(FChunk, ChunkWords, static_cast<int32_t>(p.ScanTime));
    FModel.AddScanPoints(&FLastValue, 1);
    FModel.AddScanPoints(&FLastValue, 1);
    FModel.EndCurve();
    return r;
}

int TZQ735Task::OnScanData(const int16_t* samples, int count)
{
    int16_t* point = FSamples;
    const int perPoint = std::min(FGatherPeriods * 60, SampleBufferWords);
    if (FGathered >= perPoint)
        FGathered = 0;
    for (int i = 0; i < count; ++i) {
        point[FGathered++] = samples[i];
        if (FGathered >= perPoint) {
            const std::span<const int16_t> s(point, static_cast<size_t>(perPoint));
            FSumA = SumA(s, FGatherPeriods);
            FSumB = SumB(s, FGatherPeriods);
            FLastValue = FModel.ConvertReading(FSumA, FSumB, FGatherMode);
            if (FGatherMoves)
                FModel.AddMotorSteps(0, FGatherSteps, false);
            FModel.AddScanPoints(&FLastValue, 1);
            FGathered = 0;
        }
    }
    return count;
}

void TZQ735Task::OnMotorSteps(int motor, int steps)
{
    FModel.AddMotorSteps(motor, steps, true);
    if (FCurrent.load() == CmdReset)
        FModel.ReportReset(1, motor, std::abs(steps));
}

void TZQ735Task::OnWait(int phase, int value) { FModel.PostWait(phase, value); }
