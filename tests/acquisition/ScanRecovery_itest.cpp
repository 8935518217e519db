// The recovery file of a running scan against the simulated instrument: the
// points so far reach the data folder while the scan runs, never more often
// than once a second, and the file is gone once the scan has ended, however
// it ended.

#include "tests/acquisition/EngineFixture.h"

#include "acquisition/ScanRecovery.h"

#include <fstream>
#include <iterator>
#include <sys/stat.h>

namespace {

std::vector<uint8_t> ReadBytes(const std::filesystem::path& p)
{
    std::ifstream f(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

class ScanRecoveryTest : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        StartEngine();
        ASSERT_TRUE(RunAndWait([&] { Task->RequestReset(); }));
        ASSERT_EQ(LastResult, 0);
    }
    std::filesystem::path RecoveryFile() const { return DataDir / kRecoveryFileName; }

    // Each new version of the file as the test thread sees it, with its
    // modification time: the moment its writer wrote it (a rename keeps it).
    struct TVersion {
        timespec Written;
        TScanRecovery Record;
    };
    void Watch(std::vector<TVersion>& versions, timespec& last)
    {
        struct stat st {};
        if (::stat(RecoveryFile().c_str(), &st) != 0)
            return;
        if (st.st_mtim.tv_sec == last.tv_sec && st.st_mtim.tv_nsec == last.tv_nsec)
            return;
        last = st.st_mtim;
        // Removed since the stat: the scan has just ended.
        const std::vector<uint8_t> bytes = ReadBytes(RecoveryFile());
        if (bytes.empty())
            return;
        if (auto r = ParseScanRecovery(bytes))
            versions.push_back({st.st_mtim, std::move(*r)});
        else
            ADD_FAILURE() << "a recovery file that does not read back";
    }
};

TEST_F(ScanRecoveryTest, TheRunningScanIsWrittenThroughAndRemovedAtItsEnd)
{
    // Long enough at the simulator's pace for several versions of the file.
    SetScanParams(3600.0f, 2600.0f, 2, 1);
    TMeasureParams p = Model->CurrentParams();
    p.Mode = 1;
    Model->SetParams(p);
    std::vector<TVersion> versions;
    timespec last{};
    const size_t mark = Sink.Messages.size();
    Task->RequestScan(20);
    // Watched from the window thread's seat, between its messages.
    ASSERT_TRUE(WaitUntil([&] { Watch(versions, last); return Ended(mark); }, 120000));
    ASSERT_EQ(LastResult, 0);
    EXPECT_TRUE(Sink.Errors.empty());
    EXPECT_FALSE(std::filesystem::exists(RecoveryFile()));
    ASSERT_GE(versions.size(), 3u) << "the scan was too short to see the file rewritten";

    TSpCurveZQ735* curve = Graph->CurveAt(0);
    ASSERT_NE(curve, nullptr);
    const TMeasureParams slot = *Model->ParamsOfSlot(0);
    int32_t before = 0;
    for (size_t k = 0; k < versions.size(); ++k) {
        const TScanRecovery& r = versions[k].Record;
        // Every version is a prefix of the finished curve, with its record.
        ASSERT_GT(r.Info.PointCount, before) << k;
        ASSERT_LE(r.Info.PointCount, curve->GetCount());
        for (int32_t i = 0; i < r.Info.PointCount; ++i)
            ASSERT_EQ(r.Values[static_cast<size_t>(i)], curve->GetData()[i]) << k << " " << i;
        EXPECT_EQ(r.Info.Capacity, curve->GetInfo().Capacity);
        EXPECT_EQ(r.Params.Mode, 1);
        EXPECT_FLOAT_EQ(r.Params.XStart, slot.XStart);
        EXPECT_GE(r.Started[0], 2024);
        before = r.Info.PointCount;
        if (k > 0) {
            // At most once a second (less what one write may take longer
            // than the one before it).
            const auto ms = [](const timespec& t) { return t.tv_sec * 1000LL + t.tv_nsec / 1000000; };
            EXPECT_GE(ms(versions[k].Written) - ms(versions[k - 1].Written), 900) << k;
        }
    }
}

TEST_F(ScanRecoveryTest, AStoppedOrFailedScanLeavesNoFile)
{
    for (const bool fail : {false, true}) {
        SetScanParams(3900.0f, 2000.0f, 2, 1);
        const size_t mark = Sink.Messages.size();
        Task->RequestScan(20);
        ASSERT_TRUE(WaitUntil([&] { return std::filesystem::exists(RecoveryFile()); }, 60000)) << fail;
        // The next stream of the scan falls silent for longer than the
        // program waits, or the operator stops the scan.
        if (fail) {
            ASSERT_TRUE(Sim->SetFault("scan-pause:20000"));
        } else {
            Task->Stop();
        }
        ASSERT_TRUE(WaitUntil([&] { return Ended(mark); }, 60000)) << fail;
        EXPECT_EQ(LastResult, fail ? -5 : 0);
        EXPECT_FALSE(std::filesystem::exists(RecoveryFile())) << fail;
        ASSERT_TRUE(Sim->SetFault("none"));
    }
}

}  // namespace
