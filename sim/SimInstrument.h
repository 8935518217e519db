#pragma once
// The simulated instrument as a protocol machine: bytes in, bytes out, with
// the time passed in by the caller. It never reads a clock, sleeps or starts
// a thread, so tests drive it with a fake clock; TSimPtyHost drives it with
// the real one.
//
// The line: every byte the machine sends occupies the line for
// 1 / (960 x Speed) s, one after another, so Read(now) hands out only the
// bytes whose transmission has finished by `now`, and streams flow at the
// link's real byte rate (or Speed times faster).
//
// Commands (code, echo, little-endian argument and its echo, reply, tail
// D0 D0 <result>):
//   0x02 connect       -> echo, status 0xE0
//   0x80 sensor word   -> echo, 16-bit status (bit 7: grating on its position sensor), D0 D0 D1
//   0x61/0x63/0x66     -> echo, 16-bit value + echo, D0 D0 D1: steps per point, periods per
//                         point (P), slit code. A value the instrument cannot use ends with D2
//                         and changes nothing.
//   0x40/41 grating, 0x46/47 slit, 0x44/45 filter wheel, 0x48/49 zero shutter (even forward,
//                         odd backward) with a 32-bit count -> echo, count echo, step stream
//   0x20 grating reset -> echo, step stream of the run back to step 0
//   0x90 scan (points), 0x95 time drive (seconds), 0x94 one point (16-bit P)
//                      -> echo, argument echo, samples, D0 D0 <result>
//   0x01 stop          -> no echo; a running motor or scan/time-drive stream ends with
//                         D0 D0 D3 (a stream after its current word). A one-point
//                         acquisition is too short to stop and always completes.
// Step streams carry the steps made as they are made, at most 207 per byte (a
// step byte is never one of the markers D0..D3). While a motor or a stream
// runs, every byte but the stop byte is ignored; unknown codes get no answer.
// An argument whose bytes stop coming for a second (the program gave up on a
// late echo) is abandoned, so the next byte is read as a command again
// instead of putting the two sides out of step for good.
//
// Motors (steps; speeds at Speed 1):
//   grating  -1000..32600, 2000 steps/s. Step 0 is the 4000 cm-1 reference, with
//            5 steps per cm-1 down to 2000 cm-1 and 10 below. The carriage can run
//            about 1000 steps past the reference; that overtravel is what lets the
//            reset back a grating parked on its sensor off it. The sensor reads set
//            within 3 steps of step 0.
//   slit     0..1200, 400 steps/s;  filter wheel 0..1200, 600 steps/s;
//   zero shutter 0..200, 200 steps/s (0: in the sample beam; 200: clear of it).
// A motor driven against an end stays there but keeps stepping in place, so its
// stream reports the steps commanded. At power-on the positions are unknown
// (seeded random; one start in four parks the grating on its sensor).
//
// Scan (0x90): for each point the grating first advances by the steps per point,
// then P x 60 samples are taken there, so point k of a scan started at step p
// belongs to step p + k x steps per point, as the program counts it. Time drive
// (0x95): one point of P x 60 samples per second, grating still, for the given
// seconds. One point (0x94): the argument's P x 60 samples where the grating stands.

#include "sim/SimFault.h"
#include "sim/SimOptics.h"
#include "sim/SimOptions.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <random>
#include <string>
#include <vector>

// Seconds from any fixed origin; only differences matter.
using TSimTime = std::chrono::duration<double>;

class TSimInstrument {
public:
    static constexpr int Grating = 0, Slit = 1, Filter = 2, Shutter = 4;
    static constexpr uint8_t StopByte = 0x01;
    static constexpr double LineBytesPerSecond = 960.0;
    static constexpr int MaxStepsPerByte = 207;
    static constexpr int SensorWindow = 3;

    // Uses Speed, Seed, Noise and Fault (an unreadable fault is ignored; the
    // host checks it first). The sample starts as the built-in polystyrene
    // film; SampleFile is the host's business (see SetSample).
    explicit TSimInstrument(const TSimOptions& options = {});

    // --- The line -------------------------------------------------------
    // Bytes the program sent, received at `now`. Times must not go backwards.
    void Feed(const uint8_t* data, size_t n, TSimTime now);
    void Feed(const std::vector<uint8_t>& data, TSimTime now) { Feed(data.data(), data.size(), now); }
    // Bytes fully sent by `now`, at most `max`.
    size_t Read(uint8_t* out, size_t max, TSimTime now);
    std::vector<uint8_t> Read(TSimTime now);
    // When the next byte will have been sent (Read before it returns nothing
    // more); none while the machine waits for the program.
    std::optional<TSimTime> NextEvent() const;
    // No command in progress and nothing left to send.
    bool Idle() const;
    // The hangup fault struck: the host must close the line.
    bool HangupRequested() const { return FHangup; }

    // --- Faults ---------------------------------------------------------
    bool SetFault(const std::string& kindArg, std::string* error = nullptr);
    void SetFault(const TSimFault& fault) { FFault = fault; }
    const TSimFault& Fault() const { return FFault; }

    // --- What stands in the beam ---------------------------------------
    void SetSample(TSampleSpectrum sample) { FOptics.SetSample(std::move(sample)); }
    const TSimOptics& Optics() const { return FOptics; }

    // --- Motors and settings -------------------------------------------
    int Position(int motor) const;
    // Places a motor (clamped to its travel); for tests and demonstrations.
    void SetPosition(int motor, int steps);
    static int MinPosition(int motor);
    static int MaxPosition(int motor);
    static double StepsPerSecond(int motor);  // at Speed 1
    static double WavenumberAt(int gratingSteps);
    double Wavenumber() const { return WavenumberAt(FPosition[Grating]); }
    bool OnPositionSensor() const;
    TSimBeam Beam() const;
    int StepsPerPoint() const { return FStepsPerPoint; }
    int PeriodsPerPoint() const { return FPeriods; }
    int SlitCode() const { return FSlitCode; }
    double Speed() const { return FSpeed; }

private:
    struct TOutByte {
        uint8_t Value;
        double Ready;  // may not start on the line before this time
    };
    enum class TBusy { None, Motor, Samples };
    enum class TStream { Scan, TimeDrive, OnePoint };
    struct TMotorRun {
        int Motor = 0;
        int Direction = 1;
        uint32_t Total = 0;
        uint32_t Reported = 0;
        double Start = 0;
        double LastReport = 0;
        bool Stopped = false;
        double StopAt = 0;
        bool MidwayDone = false;
    };
    struct TSampleRun {
        TStream Kind = TStream::Scan;
        uint64_t Points = 0;
        uint64_t Point = 0;
        int Periods = 1;
        int Word = 0;  // within the point
        double NextPointAt = 0;
        bool Stopped = false;
        double StopAt = 0;
        uint64_t WordsSent = 0;
        uint64_t Midway = 0;
        bool MidwayDone = false;
    };

    void Take(uint8_t b, double t);
    void Begin(uint8_t code, double t);
    void Complete(double t);  // the argument is in
    void StartMotor(int motor, int direction, uint32_t count, double t);
    void StartSamples(TStream kind, uint64_t points, int periods, double t);
    void Stop(double t);
    // Adds the next bytes of the running command to the queue; false when
    // nothing can be added before `now`.
    bool Refill(double now);
    bool RefillMotor(double now);
    bool RefillSamples(double now);
    double NextReportTime() const;
    uint32_t StepsMadeBy(double t) const;
    double MotorPace(int motor) const { return StepsPerSecond(motor) * FSpeed; }
    void Move(int motor, int delta);

    void Put(uint8_t v, double ready);
    void PutWord(uint16_t v, double ready);
    void PutDword(uint32_t v, double ready);
    bool PutEcho(uint8_t code, double t);
    void PutTail(uint8_t result, double ready);
    double FaultPause() const { return FCommandFault.Arg / 1000.0 * FTimeScale; }
    // The middle of a reply or stream, where the in-reply faults strike.
    enum class TPart { Reply, Steps, Samples };
    void Midway(double t, TPart part);
    uint16_t NextSampleWord();

    TSimOptics FOptics;
    double FSpeed = 1;
    double FByteTime = 1 / LineBytesPerSecond;
    double FTimeScale = 1;  // of the fault pauses and the argument patience
    double FNoise = 0;
    std::mt19937 FNoiseRng;
    std::normal_distribution<double> FGauss{0.0, 1.0};

    int FPosition[5] = {};
    int FStepsPerPoint = 10;
    int FPeriods = 4;
    int FSlitCode = 5;

    TSimFault FFault;
    TSimFault FCommandFault;  // the fault in force for the command being answered
    bool FHangup = false;
    double FHoldUntil = 0;    // the next queued byte waits for this time
    int FDropLeft = 0;

    uint8_t FCommand = 0;
    int FArgNeeded = 0;
    int FArgGot = 0;
    uint32_t FArg = 0;
    double FArgDeadline = 0;  // a half-received argument is abandoned after this

    TBusy FBusy = TBusy::None;
    TMotorRun FMotor;
    TSampleRun FSamples;
    std::array<int32_t, TSimOptics::SamplesPerPeriod> FLevels{};  // of the point being sent

    std::deque<TOutByte> FOut;
    double FLineFree = 0;  // when the byte last put on the line has been sent
};
