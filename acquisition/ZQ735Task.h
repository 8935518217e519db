#pragma once
// The instrument's task engine. Its loop runs on the worker thread: when no
// command is pending it connects and shows one reading every pass; when the
// window has stored a command it runs it to the end through the command set.
// The window reaches it only through the request operations and Stop.

#include "acquisition/SpCmd735.h"
#include "acquisition/SpTaskBase.h"
#include "link/FTime.h"

#include <atomic>
#include <cstdint>

class TApparaZQ735;
class TSpComm;

enum TTaskCommand : uint8_t {
    CmdNone = 0,
    CmdReset = 1,
    CmdGoto = 2,
    CmdApply = 3,
    CmdScan = 4,
    CmdCalibrate = 5,
    CmdConnect = 6,
};

class TZQ735Task : public TSpTaskBase {
public:
    static constexpr int SampleBufferWords = 1000;

    TZQ735Task(TApparaZQ735& model, TSpComm& channel);

    // --- window thread ------------------------------------------------------
    // Each request replaces one still pending. A Stop from a reset or
    // calibration request on ends it, as it does a scan.
    void RequestReset()
    {
        FScanStop = false;
        FPending = CmdReset;
    }
    void RequestGoto(float x)
    {
        FGotoTarget = x;
        FPending = CmdGoto;
    }
    void RequestApply() { FPending = CmdApply; }
    // A Stop from here on, even before the worker picks the scan up, ends it.
    void RequestScan(int n)
    {
        FScanStop = false;
        FScanPoints = n;
        FPending = CmdScan;
    }
    void RequestCalibrate()
    {
        FScanStop = false;
        FPending = CmdCalibrate;
    }
    // Waits until the loop runs, so that the request is not lost before it starts.
    void RequestConnect();
    // The stop byte goes to the instrument without waiting for the worker
    // (TSpCmd735::SendStop); the running motor or stream ends with 211, and
    // a scan ends wherever it is: in its parameter and positioning phase, at
    // its first point, between segments or in a segment. A reset or a
    // calibration ends with 211 after the motor or step it was in.
    void Stop();

    // Asks the loop to end without waiting for it: an owner that must keep
    // serving the worker's window-thread calls meanwhile (Invoke, error boxes)
    // uses this and waits for IsFinished itself instead of Shutdown.
    void RequestShutdown() { SetStopRequested(true); }

    int PendingCommand() const { return FPending.load(); }
    int CurrentCommand() const { return FCurrent.load(); }
    bool IsRunning() const { return FRunning.load(); }
    TSpCmd735& Cmd() { return FCmd; }

    // --- worker thread ----------------------------------------------------------
    void Run() override;
    void OnMotorSteps(int motor, int steps) override;
    int OnScanData(const int16_t* samples, int count) override;
    void OnWait(int phase, int value) override;

    // The procedures, each returning negative on failure, 211 when stopped.
    int IdlePass();
    int ConnectCheck();
    int ApplyParams();
    int ApplyFilterSlit();
    int GotoWavenumber(float x);
    int SystemReset();
    int CalibrateReferences();
    int WavenumberScan();
    int TimeDrive();
    int MeasurePoint(float& out, int periods);
    float LastValue() const { return FLastValue; }

private:
    int RunCommand(int command);
    int Periods() const;
    int StepsPerPointNow() const;

    TApparaZQ735& FModel;
    TSpComm& FChannel;
    TSpCmd735 FCmd;
    std::atomic<uint8_t> FPending{CmdNone};
    std::atomic<uint8_t> FCurrent{CmdNone};
    std::atomic<bool> FRunning{false};
    FTime FTimer;
    std::atomic<float> FGotoTarget{4000.0f};
    std::atomic<int32_t> FScanPoints{0};
    std::atomic<bool> FScanStop{false};

    // Worker thread only. The samples of the point being gathered; the
    // streams deliver into a chunk buffer of their own.
    static constexpr int ChunkWords = TSpCmd735::kMaxChunkWords;
    int16_t FSamples[SampleBufferWords] = {};
    int16_t FChunk[ChunkWords] = {};
    int32_t FSumA = 0, FSumB = 0;
    float FLastValue = 0.0f;
    // Samples gathered toward the next scan point. Kept within one point
    // (P x 60) and the buffer, and restarted with every scan, so that a
    // stopped scan's leftovers never shift the next scan's points.
    int FGathered = 0;
    int FGatherPeriods = 4;
    int FGatherSteps = 10;
    uint8_t FGatherMode = 0;
    bool FGatherMoves = true;
};
