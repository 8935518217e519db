#include "sim/SimInstrument.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr uint8_t Marker = 0xD0;
constexpr uint8_t ResultDone = 0xD1;
constexpr uint8_t ResultFailed = 0xD2;
constexpr uint8_t ResultStopped = 0xD3;
constexpr uint8_t StatusPresent = 0xE0;

enum : uint8_t {
    CmdConnect = 0x02,
    CmdReset = 0x20,
    CmdSpeed = 0x61,
    CmdResponse = 0x63,
    CmdSlit = 0x66,
    CmdSensor = 0x80,
    CmdScan = 0x90,
    CmdOnePoint = 0x94,
    CmdTimeDrive = 0x95,
};

struct TMotorRange {
    int Min;
    int Max;
    double StepsPerSecond;
};
// Indexed by motor number; 3 is no motor.
constexpr TMotorRange Motors[5] = {
    {-1000, 32600, 2000}, {0, 1200, 400}, {0, 1200, 600}, {0, 0, 0}, {0, 200, 200},
};

bool ValidMotor(int motor) { return motor >= 0 && motor < 5 && motor != 3; }

// Motor of a RunMotor code, -1 when the code is not one.
int MotorOfCode(uint8_t code)
{
    switch (code & 0xFE) {
    case 0x40: return TSimInstrument::Grating;
    case 0x44: return TSimInstrument::Filter;
    case 0x46: return TSimInstrument::Slit;
    case 0x48: return TSimInstrument::Shutter;
    default: return -1;
    }
}

// Argument bytes a command code takes; -1 for a byte that is no command.
int ArgumentBytes(uint8_t code)
{
    if (MotorOfCode(code) >= 0)
        return 4;
    switch (code) {
    case CmdConnect:
    case CmdReset:
    case CmdSensor: return 0;
    case CmdSpeed:
    case CmdResponse:
    case CmdSlit:
    case CmdOnePoint: return 2;
    case CmdScan:
    case CmdTimeDrive: return 4;
    default: return -1;
    }
}

// Step reports go out at most this often (at Speed 1), so that a slow
// motor does not fill the line with one-step bytes.
constexpr double ReportInterval = 0.020;

// Seconds the instrument waits for the rest of an argument (real time, times
// the time scale: it guards against the program, not against the simulated
// mechanics).
constexpr double ArgumentPatience = 1.0;

}  // namespace

TSimInstrument::TSimInstrument(const TSimOptions& options)
    : FNoiseRng(options.Seed ^ 0x9E3779B9u)
{
    FSpeed = std::isfinite(options.Speed) && options.Speed > 0 ? options.Speed : 1.0;
    FByteTime = 1.0 / (LineBytesPerSecond * FSpeed);
    FTimeScale = std::isfinite(options.TimeScale) && options.TimeScale >= 1 ? options.TimeScale : 1.0;
    FNoise = std::isfinite(options.Noise) && options.Noise > 0 ? options.Noise : 0.0;
    TSimFault::Parse(options.Fault, FFault);

    std::mt19937 rng(options.Seed);
    auto uniform = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    FPosition[Grating] = uniform(0, 3) == 0 ? uniform(0, SensorWindow - 1) : uniform(-800, Motors[Grating].Max);
    FPosition[Slit] = uniform(0, Motors[Slit].Max);
    FPosition[Filter] = uniform(0, Motors[Filter].Max);
    FPosition[Shutter] = uniform(0, Motors[Shutter].Max);
}

// --- Motors -------------------------------------------------------------

int TSimInstrument::MinPosition(int motor) { return ValidMotor(motor) ? Motors[motor].Min : 0; }
int TSimInstrument::MaxPosition(int motor) { return ValidMotor(motor) ? Motors[motor].Max : 0; }
double TSimInstrument::StepsPerSecond(int motor) { return ValidMotor(motor) ? Motors[motor].StepsPerSecond : 0; }

int TSimInstrument::Position(int motor) const { return ValidMotor(motor) ? FPosition[motor] : 0; }

void TSimInstrument::SetPosition(int motor, int steps)
{
    if (ValidMotor(motor))
        FPosition[motor] = std::clamp(steps, Motors[motor].Min, Motors[motor].Max);
}

void TSimInstrument::Move(int motor, int delta)
{
    const long long p = static_cast<long long>(FPosition[motor]) + delta;
    FPosition[motor] = static_cast<int>(std::clamp<long long>(p, Motors[motor].Min, Motors[motor].Max));
}

double TSimInstrument::WavenumberAt(int steps)
{
    return steps <= 10000 ? 4000.0 - steps / 5.0 : 2000.0 - (steps - 10000) / 10.0;
}

bool TSimInstrument::OnPositionSensor() const { return std::abs(FPosition[Grating]) <= SensorWindow; }

TSimBeam TSimInstrument::Beam() const
{
    return {Wavenumber(), FPosition[Filter], FPosition[Slit], FPosition[Shutter]};
}

bool TSimInstrument::SetFault(const std::string& kindArg, std::string* error)
{
    return TSimFault::Parse(kindArg, FFault, error);
}

// --- Input --------------------------------------------------------------

void TSimInstrument::Feed(const uint8_t* data, size_t n, TSimTime now)
{
    for (size_t i = 0; i < n; ++i)
        Take(data[i], now.count());
}

void TSimInstrument::Take(uint8_t b, double t)
{
    if (FHangup)
        return;
    if (FBusy != TBusy::None) {
        if (b == StopByte)
            Stop(t);
        return;
    }
    if (FArgNeeded > 0 && t > FArgDeadline)
        FArgNeeded = 0;
    if (FArgNeeded > 0) {
        FArgDeadline = t + ArgumentPatience * FTimeScale;
        FArg |= static_cast<uint32_t>(b) << (8 * FArgGot);
        if (++FArgGot == FArgNeeded) {
            FArgNeeded = 0;
            Complete(t);
        }
        return;
    }
    Begin(b, t);
}

void TSimInstrument::Begin(uint8_t code, double t)
{
    FCommandFault = FFault;
    FHoldUntil = 0;
    FDropLeft = 0;
    switch (FCommandFault.Kind) {
    case TSimFaultKind::Hangup:
        FHangup = true;
        FOut.clear();
        return;
    case TSimFaultKind::Silent: return;
    case TSimFaultKind::Pause: FHoldUntil = t + FaultPause(); break;
    default: break;
    }

    const int args = ArgumentBytes(code);
    if (args < 0 || !PutEcho(code, t))
        return;
    FCommand = code;
    if (args > 0) {
        FArgNeeded = args;
        FArgGot = 0;
        FArg = 0;
        // Counted from when the echo will have gone out.
        FArgDeadline = std::max({t, FLineFree, FOut.empty() ? t : FOut.back().Ready}) +
                       static_cast<double>(FOut.size()) * FByteTime + ArgumentPatience * FTimeScale;
        return;
    }
    if (FCommandFault.Kind == TSimFaultKind::EchoOnly)
        return;
    switch (code) {
    case CmdConnect:
        Midway(t, TPart::Reply);
        Put(StatusPresent, t);
        break;
    case CmdSensor:
        Midway(t, TPart::Reply);
        PutWord(OnPositionSensor() ? 0x0080 : 0x0000, t);
        PutTail(ResultDone, t);
        break;
    case CmdReset: {
        const int p = FPosition[Grating];
        StartMotor(Grating, p > 0 ? -1 : 1, static_cast<uint32_t>(std::abs(p)), t);
        break;
    }
    default: break;
    }
}

void TSimInstrument::Complete(double t)
{
    if (FCommandFault.Kind == TSimFaultKind::EchoOnly)
        return;
    const uint8_t code = FCommand;
    if (const int motor = MotorOfCode(code); motor >= 0) {
        PutDword(FArg, t);
        StartMotor(motor, (code & 1) ? -1 : 1, FArg, t);
        return;
    }
    switch (code) {
    case CmdSpeed:
    case CmdResponse:
    case CmdSlit: {
        Midway(t, TPart::Reply);
        PutWord(static_cast<uint16_t>(FArg), t);
        const int v = static_cast<int16_t>(FArg);
        int* setting = code == CmdSpeed ? &FStepsPerPoint : code == CmdResponse ? &FPeriods : &FSlitCode;
        const int lowest = code == CmdSlit ? 0 : 1;
        const int highest = code == CmdResponse ? 100 : 1000;
        const bool usable = v >= lowest && v <= highest;
        if (usable)
            *setting = v;
        PutTail(usable ? ResultDone : ResultFailed, t);
        break;
    }
    case CmdScan:
        PutDword(FArg, t);
        StartSamples(TStream::Scan, FArg, FPeriods, t);
        break;
    case CmdTimeDrive:
        PutDword(FArg, t);
        StartSamples(TStream::TimeDrive, FArg, FPeriods, t);
        break;
    case CmdOnePoint:
        PutWord(static_cast<uint16_t>(FArg), t);
        StartSamples(TStream::OnePoint, 1, static_cast<int>(FArg & 0xFFFF), t);
        break;
    default: break;
    }
}

void TSimInstrument::StartMotor(int motor, int direction, uint32_t count, double t)
{
    if (count == 0) {
        PutTail(ResultDone, t);
        return;
    }
    FMotor = TMotorRun{};
    FMotor.Motor = motor;
    FMotor.Direction = direction;
    FMotor.Total = count;
    FMotor.Start = t;
    FMotor.LastReport = t - ReportInterval / FSpeed;
    FBusy = TBusy::Motor;
}

void TSimInstrument::StartSamples(TStream kind, uint64_t points, int periods, double t)
{
    FSamples = TSampleRun{};
    FSamples.Kind = kind;
    FSamples.Periods = periods;
    // A point without samples would make a stream that never moves on.
    FSamples.Points = periods > 0 ? points : 0;
    const uint64_t perPoint = static_cast<uint64_t>(periods) * TSimOptics::SamplesPerPeriod;
    FSamples.Midway = std::min(FSamples.Points * perPoint / 2, perPoint);
    FSamples.MidwayDone = FSamples.Midway == 0;
    FSamples.NextPointAt = t;
    FBusy = TBusy::Samples;
}

void TSimInstrument::Stop(double t)
{
    if (FBusy == TBusy::Motor && !FMotor.Stopped) {
        const uint32_t made = StepsMadeBy(t);
        if (made < FMotor.Total) {
            FMotor.Total = std::max(made, FMotor.Reported);
            FMotor.Stopped = true;
            FMotor.StopAt = t;
        }
    } else if (FBusy == TBusy::Samples && FSamples.Kind != TStream::OnePoint) {
        if (!FSamples.Stopped)
            FSamples.StopAt = t;
        FSamples.Stopped = true;
    }
}

// --- Output -------------------------------------------------------------

void TSimInstrument::Put(uint8_t v, double ready)
{
    if (FDropLeft > 0) {
        --FDropLeft;
        return;
    }
    FOut.push_back({v, std::max(ready, FHoldUntil)});
    FHoldUntil = 0;
}

void TSimInstrument::PutWord(uint16_t v, double ready)
{
    Put(static_cast<uint8_t>(v & 0xFF), ready);
    Put(static_cast<uint8_t>(v >> 8), ready);
}

void TSimInstrument::PutDword(uint32_t v, double ready)
{
    for (int i = 0; i < 4; ++i)
        Put(static_cast<uint8_t>(v >> (8 * i)), ready);
}

bool TSimInstrument::PutEcho(uint8_t code, double t)
{
    if (FCommandFault.Kind == TSimFaultKind::WrongEcho) {
        Put(static_cast<uint8_t>(code ^ 0xFF), t);
        return false;
    }
    Put(code, t);
    return true;
}

void TSimInstrument::PutTail(uint8_t result, double ready)
{
    switch (FCommandFault.Kind) {
    case TSimFaultKind::ShortTail:
        Put(Marker, ready);
        Put(Marker, ready);
        break;
    case TSimFaultKind::BadTail:
        Put(Marker, ready);
        Put(ResultDone, ready);
        Put(result, ready);
        break;
    default:
        Put(Marker, ready);
        Put(Marker, ready);
        Put(result, ready);
        break;
    }
}

void TSimInstrument::Midway(double t, TPart part)
{
    switch (FCommandFault.Kind) {
    case TSimFaultKind::StreamPause:
        if (part == TPart::Samples)
            FHoldUntil = t + FaultPause();
        break;
    case TSimFaultKind::ScanPause:
        if (part == TPart::Samples && FSamples.Kind != TStream::OnePoint)
            FHoldUntil = t + FaultPause();
        break;
    case TSimFaultKind::StepPause:
        if (part == TPart::Steps)
            FHoldUntil = t + FaultPause();
        break;
    case TSimFaultKind::Drop: FDropLeft = FCommandFault.Arg; break;
    case TSimFaultKind::Garbage:
        if (part == TPart::Steps) {
            // Noise on the line: a plausible step count, then a result code
            // with no markers before it, then another stray byte.
            Put(0x17, t);
            Put(ResultFailed, t);
            Put(0x5A, t);
        }
        break;
    default: break;
    }
}

size_t TSimInstrument::Read(uint8_t* out, size_t max, TSimTime now)
{
    const double t = now.count();
    size_t n = 0;
    while (n < max) {
        if (FOut.empty()) {
            if (!Refill(t))
                break;
            continue;
        }
        const TOutByte& b = FOut.front();
        const double done = std::max(FLineFree, b.Ready) + FByteTime;
        if (done > t)
            break;
        out[n++] = b.Value;
        FLineFree = done;
        FOut.pop_front();
    }
    return n;
}

std::vector<uint8_t> TSimInstrument::Read(TSimTime now)
{
    std::vector<uint8_t> all;
    uint8_t buf[4096];
    size_t n;
    while ((n = Read(buf, sizeof buf, now)) > 0)
        all.insert(all.end(), buf, buf + n);
    return all;
}

std::optional<TSimTime> TSimInstrument::NextEvent() const
{
    if (!FOut.empty())
        return TSimTime(std::max(FLineFree, FOut.front().Ready) + FByteTime);
    switch (FBusy) {
    case TBusy::Motor:
        if (FMotor.Reported >= FMotor.Total)
            return TSimTime(std::max({FLineFree, FMotor.LastReport, FMotor.StopAt}) + FByteTime);
        return TSimTime(std::max(FLineFree, NextReportTime()) + FByteTime);
    case TBusy::Samples: {
        double at = std::max(FLineFree, FSamples.StopAt);
        if (FSamples.Kind == TStream::TimeDrive && FSamples.Word == 0 && !FSamples.Stopped)
            at = std::max(at, FSamples.NextPointAt);
        return TSimTime(at + FByteTime);
    }
    case TBusy::None: break;
    }
    return std::nullopt;
}

bool TSimInstrument::Idle() const { return FBusy == TBusy::None && FOut.empty() && FArgNeeded == 0; }

bool TSimInstrument::Refill(double now)
{
    switch (FBusy) {
    case TBusy::Motor: return RefillMotor(now);
    case TBusy::Samples: return RefillSamples(now);
    case TBusy::None: break;
    }
    return false;
}

uint32_t TSimInstrument::StepsMadeBy(double t) const
{
    const double made = std::floor((t - FMotor.Start) * MotorPace(FMotor.Motor) + 1e-6);
    if (made <= 0)
        return 0;
    return made >= FMotor.Total ? FMotor.Total : static_cast<uint32_t>(made);
}

double TSimInstrument::NextReportTime() const
{
    // Not before the next step is made, nor sooner than one report interval
    // after the last one, unless a full byte's worth is waiting.
    const double nextStep = FMotor.Start + (FMotor.Reported + 1.0) / MotorPace(FMotor.Motor);
    const double interval = FMotor.LastReport + ReportInterval / FSpeed;
    if (static_cast<int64_t>(StepsMadeBy(FMotor.LastReport)) - FMotor.Reported >= MaxStepsPerByte)
        return FMotor.LastReport;
    return std::max(nextStep, interval);
}

bool TSimInstrument::RefillMotor(double now)
{
    TMotorRun& m = FMotor;
    if (m.Reported >= m.Total) {
        PutTail(m.Stopped ? ResultStopped : ResultDone, std::max(m.LastReport, m.StopAt));
        FBusy = TBusy::None;
        return true;
    }
    const double at = NextReportTime();
    if (at > now)
        return false;
    const uint32_t n = std::min<uint32_t>(MaxStepsPerByte, std::max(StepsMadeBy(at), m.Reported + 1) - m.Reported);
    Move(m.Motor, m.Direction * static_cast<int>(n));
    m.Reported += n;
    m.LastReport = at;
    Put(static_cast<uint8_t>(n), at);
    if (!m.MidwayDone && 2ull * m.Reported >= m.Total) {
        m.MidwayDone = true;
        Midway(std::max(at, FLineFree), TPart::Steps);
    }
    return true;
}

uint16_t TSimInstrument::NextSampleWord()
{
    double level = FLevels[static_cast<size_t>(FSamples.Word % TSimOptics::SamplesPerPeriod)];
    if (FNoise > 0)
        level += FNoise * FGauss(FNoiseRng);
    return TSimOptics::ToWord(level);
}

bool TSimInstrument::RefillSamples(double now)
{
    TSampleRun& s = FSamples;
    if (s.Stopped || s.Point >= s.Points) {
        PutTail(s.Stopped ? ResultStopped : ResultDone, s.StopAt);
        FBusy = TBusy::None;
        return true;
    }
    double ready = 0;
    if (s.Word == 0) {
        if (s.Kind == TStream::TimeDrive) {
            if (s.NextPointAt > now)
                return false;
            ready = s.NextPointAt;
            s.NextPointAt += 1.0 / FSpeed;
        } else if (s.Kind == TStream::Scan) {
            Move(Grating, FStepsPerPoint);
        }
        FLevels = TSimOptics::PeriodLevels(FOptics.Sums(Beam()));
    }
    PutWord(NextSampleWord(), ready);
    ++s.WordsSent;
    if (++s.Word == s.Periods * TSimOptics::SamplesPerPeriod) {
        s.Word = 0;
        ++s.Point;
    }
    if (!s.MidwayDone && s.WordsSent >= s.Midway) {
        s.MidwayDone = true;
        Midway(std::max(FLineFree, ready), TPart::Samples);
    }
    return true;
}
