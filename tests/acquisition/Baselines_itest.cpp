// Baseline scans and corrections against the simulated instrument: what
// becomes the 100 % or background baseline, what a stopped one leaves
// behind, time drives with their own parameters and their correction at the
// fixed wavenumber, and a deleted scan curve that the model must let go.

#include "tests/acquisition/EngineFixture.h"

#include "spectra/CurveInfo.h"

#include <cmath>
#include <fstream>
#include <iterator>

namespace {

std::string ReadBytes(const std::filesystem::path& p)
{
    std::ifstream f(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

// A 100 % line over 4000 -> 400 cm-1 whose value is x / 40: 25 %T at
// 1000 cm-1, so every corrected point shows by how much it was divided.
void WriteSyntheticHundredLine(const std::filesystem::path& dir)
{
    TCurveInfo tmpl{};
    TSpCurveZQ735 line(nullptr, tmpl);
    line.SetScanRange(4000.0f, 400.0f, 0.0f, 102.0f, 2000.0f, 1001, 1601);
    for (int i = 0; i < 2601; ++i) {
        const float v = line.WavenumberAtIndex(i) / 40.0f;
        line.AppendData(&v, 1);
    }
    TCurveInfo info{};
    line.GetInfo(info);
    const TMeasureParams params;
    std::ofstream f(dir / "BK100.dat", std::ios::binary);
    f.write(reinterpret_cast<const char*>(&params), sizeof params);
    const TCurveInfoBytes bytes = SerializeCurveInfo(info);
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    f.write(reinterpret_cast<const char*>(line.GetData()), static_cast<std::streamsize>(info.PointCount) * 4);
}

class BaselineTest : public EngineTest {
protected:
    void Start(TSimOptions options = {})
    {
        StartEngine(options);
        ASSERT_TRUE(RunAndWait([&] { Task->RequestReset(); }));
        ASSERT_EQ(LastResult, 0);
    }
    // Starts a command and stops it once the scan curve holds some points.
    void StopPartWay(const std::function<void()>& start)
    {
        const size_t mark = Sink.Messages.size();
        const int curvesBegun = Sink.Count(UM_GRAPH_REDRAW);
        start();
        ASSERT_TRUE(WaitUntil([&] {
            TSpCurveZQ735* c = Model->CurrentCurve();
            return Sink.Count(UM_GRAPH_REDRAW) > curvesBegun && c != nullptr && c->GetCount() > 10;
        }));
        Task->Stop();
        ASSERT_TRUE(WaitUntil([&] {
            for (size_t i = mark; i < Sink.Messages.size(); ++i)
                if ((Sink.Messages[i].Msg == UM_BUSY && Sink.Messages[i].L == 1) ||
                    Sink.Messages[i].Msg == UM_TASK_FAILED)
                    return true;
            return false;
        }));
    }
    void SetTimeDrive(float seconds, int response)
    {
        TMeasureParams p = Model->CurrentParams();
        p.ScanMode = 2;
        p.ScanTime = seconds;
        p.XStart = 0.0f;
        p.XEnd = seconds;
        p.Response = static_cast<uint8_t>(response);
        Model->SetParams(p);
    }
    TSpCurveZQ735* LastCurve()
    {
        TSpCurveZQ735* last = nullptr;
        for (int i = 0; i < TSpGraph735::SlotCount; ++i)
            if (TSpCurveZQ735* c = Graph->CurveAt(i))
                last = c;
        return last;
    }
};

TEST_F(BaselineTest, AStoppedHundredScanLeavesTheStoredLineAndEndsItsPendingState)
{
    PrepareDataDir = WriteSyntheticHundredLine;
    Start();
    const std::string before = ReadBytes(DataDir / "BK100.dat");
    ASSERT_FALSE(before.empty());

    // In either method a sample scan that follows the stopped baseline scan
    // to its end is a sample, not the baseline.
    for (const bool timeDrive : {false, true}) {
        SCOPED_TRACE(timeDrive ? "time drive" : "wavenumber scan");
        if (timeDrive)
            SetTimeDrive(4.0f, 0);
        StopPartWay([&] { Model->StartHundredScan(); });
        EXPECT_FALSE(Model->HundredScanPending());
        // The baseline scan itself always runs over wavenumber.
        const int slot = Graph->IndexOfCurve(Model->CurrentCurve());
        ASSERT_GE(slot, 0);
        EXPECT_EQ(Model->ParamsOfSlot(slot)->ScanMode, 0);

        if (timeDrive) {
            SetTimeDrive(4.0f, 0);
        } else {
            SetScanParams(3100.0f, 3000.0f);
        }
        ASSERT_TRUE(RunAndWait([&] { Task->RequestScan(20); }));
        ASSERT_EQ(LastResult, 0);
        EXPECT_EQ(ReadBytes(DataDir / "BK100.dat"), before);
        EXPECT_EQ(Model->HundredLinesStored(), 0);
    }
}

TEST_F(BaselineTest, ABackgroundScanThatEndsOnAOneDecimalValueBecomesTheBackground)
{
    Start();
    SetScanParams(700.0f, 650.2f);
    ASSERT_TRUE(RunAndWait([&] { Model->StartBackgroundScan(); }));
    ASSERT_EQ(LastResult, 0);
    EXPECT_EQ(Model->BackgroundLinesStored(), 1);
    EXPECT_NE(Model->BackgroundLine(), nullptr);
    EXPECT_EQ(Sink.Count(UM_BASELINE, 1, 1), 1);

    // A stopped one leaves that background as it was.
    SetScanParams(4000.0f, 400.0f);
    StopPartWay([&] { Model->StartBackgroundScan(); });
    EXPECT_FALSE(Model->BackgroundScanPending());
    SetScanParams(700.0f, 650.2f);
    ASSERT_TRUE(RunAndWait([&] { Task->RequestScan(20); }));
    EXPECT_EQ(Model->BackgroundLinesStored(), 1);
}

TEST_F(BaselineTest, ATimeDriveSendsItsOwnResponseAndIsCorrectedAtItsWavenumber)
{
    PrepareDataDir = WriteSyntheticHundredLine;
    TSimOptions options;
    options.SampleFile = "empty";
    Start(options);
    ASSERT_TRUE(RunAndWait([&] { Task->RequestGoto(1000.0f); }));

    // The reset applied response 2; the drive asks for 3 without any apply.
    SetTimeDrive(6.0f, 3);
    ASSERT_TRUE(RunAndWait([&] { Task->RequestScan(20); }));
    ASSERT_EQ(LastResult, 0);
    TSpCurveZQ735* drive = Graph->CurveAt(0);
    ASSERT_NE(drive, nullptr);
    EXPECT_EQ(drive->GetCount(), 6);
    // The empty beam (~98 %T) divided by the line's 25 %T at 1000 cm-1.
    for (int i = 0; i < drive->GetCount(); ++i)
        EXPECT_NEAR(drive->GetData()[i], 4.0f * 98.3f, 15.0f) << i;

    // With the time drive still in slot 0, a wavenumber scan is corrected by
    // wavenumber, not by the time axis: 1100 -> 1000 cm-1 is divided by 27.5 ... 25.
    TMeasureParams p = Model->CurrentParams();
    p.ScanMode = 1;  // a new curve beside the drive
    p.XStart = 1100.0f;
    p.XEnd = 1000.0f;
    p.YStart = 0.0f;
    p.YEnd = 102.0f;
    Model->SetParams(p);
    ASSERT_TRUE(RunAndWait([&] { Task->RequestScan(20); }));
    ASSERT_EQ(LastResult, 0);
    TSpCurveZQ735* scan = LastCurve();
    ASSERT_NE(scan, drive);
    ASSERT_GT(scan->GetCount(), 50);
    for (int i = 0; i < scan->GetCount(); ++i)
        EXPECT_GT(scan->GetData()[i], 300.0f) << i;
}

TEST_F(BaselineTest, ADeletedScanCurveIsLetGoByTheModel)
{
    Start();
    SetScanParams(3100.0f, 3050.0f);
    ASSERT_TRUE(RunAndWait([&] { Task->RequestScan(20); }));
    ASSERT_EQ(Model->CurrentCurve(), Graph->CurveAt(0));
    Graph->DeleteCurve(0);
    EXPECT_EQ(Model->CurrentCurve(), nullptr);
    // Idle passes go on reading without the curve (a memory checker watches).
    const int readings = Sink.Count(UM_READING);
    ASSERT_TRUE(WaitUntil([&] { return Sink.Count(UM_READING) >= readings + 3; }));
    EXPECT_TRUE(Sink.Errors.empty());
}

// A 100 % baseline scan that reaches its end but whose file cannot be
// written: the window is told (the one text shown), the new line is in force
// for this run, and what was there is left alone.
TEST_F(BaselineTest, AHundredLineThatCannotBeStoredIsReported)
{
    // A folder in the file's place: no write can replace it.
    PrepareDataDir = [](const std::filesystem::path& dir) {
        std::filesystem::create_directories(dir / "BK100.dat");
    };
    TSimOptions fast;
    fast.Speed = 400.0;
    Start(fast);
    ASSERT_EQ(Model->HundredLine(), nullptr);
    Sink.Errors.clear();
    ASSERT_TRUE(RunAndWait([&] { Model->StartHundredScan(); }, 600000));
    ASSERT_EQ(LastResult, 0);
    EXPECT_EQ(Model->HundredLinesStored(), 1);
    EXPECT_NE(Model->HundredLine(), nullptr);
    ASSERT_EQ(Sink.Errors.size(), 1u);
    EXPECT_EQ(Sink.Errors[0].rfind("无法存储文件 ", 0), 0u) << Sink.Errors[0];
    EXPECT_EQ(Sink.Errors[0], Model->HundredLineNotice());
    EXPECT_TRUE(std::filesystem::is_directory(DataDir / "BK100.dat"));
}

}  // namespace
