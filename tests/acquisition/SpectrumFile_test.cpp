// Spectrum files and the 100 % baseline file: byte-exact round trips, the
// older version, and damaged or hostile files that must leave the graph as it was.

#include "text/GbkText.h"
#include "tests/acquisition/EngineFixture.h"
#include "tests/support/FullDisk.h"

#include <cmath>
#include <cstring>
#include <fstream>

namespace {

std::vector<uint8_t> ReadBytes(const std::filesystem::path& p)
{
    std::ifstream f(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::filesystem::path& p, const std::vector<uint8_t>& b)
{
    std::ofstream f(p, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

template <typename T>
void Put(std::vector<uint8_t>& b, size_t at, T v)
{
    std::memcpy(b.data() + at, &v, sizeof v);
}

// A model and graph without an instrument: the window side of the files.
class SpectrumFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TestGuiApp();
        Dir = std::filesystem::temp_directory_path() /
              ("zq735-files-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(Dir);
        std::filesystem::create_directories(Dir);
        Canvas.fill(Qt::white);
        Surface = std::make_unique<TSpImage>(nullptr, &Canvas, 0, 0, Canvas.width(), Canvas.height());
        Graph = std::make_unique<TSpGraph735>(nullptr, Surface.get());
        Graph->SetStartRanges();
        Model = std::make_unique<TApparaZQ735>(Sink, *Graph, Dir.string());
    }
    void TearDown() override
    {
        Model.reset();
        Graph.reset();
        Surface.reset();
        std::filesystem::remove_all(Dir);
    }

    // A curve in `slot` (the slots before it are filled and removed again)
    // with a ramp of `points` values and a batch number.
    void AddCurve(int points, const char* batch)
    {
        const int slot = Graph->NewCurve();
        ASSERT_GE(slot, 0);
        TSpCurveZQ735* c = Graph->CurveAt(slot);
        const TPointCounts n = Model->PointsBetween(4000.0f, 4000.0f - 2.0f * (points - 1));
        c->SetScanRange(4000.0f, 4000.0f - 2.0f * (points - 1), 0.0f, 100.0f, 2000.0f, n.Upper, n.Lower);
        std::vector<float> v(static_cast<size_t>(points));
        for (int i = 0; i < points; ++i)
            v[static_cast<size_t>(i)] = 10.0f + 0.25f * static_cast<float>(i);
        c->AppendData(v.data(), points);
        TMeasureParams* p = Model->ParamsOfSlot(slot);
        SetGbkField(p->BatchNo, batch);
        p->Speed = static_cast<uint8_t>(slot % 5);
    }

    std::filesystem::path Dir;
    TRecordingSink Sink;
    QImage Canvas{800, 500, QImage::Format_RGB32};
    std::unique_ptr<TSpImage> Surface;
    std::unique_ptr<TSpGraph735> Graph;
    std::unique_ptr<TApparaZQ735> Model;
};

TEST_F(SpectrumFileTest, SavedCurvesComeBackInSlotOrderAndSaveAgainByteForByte)
{
    AddCurve(11, "A-1");
    AddCurve(5, "批号二");
    AddCurve(3, "C");
    AddCurve(7, "D");
    Graph->DeleteCurve(1);
    Graph->DeleteCurve(3);  // curves left in slots 0 and 2
    TScanDateTime date{2026, 12, 9, 8, 30, 5};
    const auto a = Dir / "a.ir";
    ASSERT_EQ(Model->SaveSpectrumFile(a.string(), date), 0);
    const std::vector<uint8_t> bytes = ReadBytes(a);
    ASSERT_EQ(bytes.size(), 40u + 2 * (692 + 220) + 4 * (11 + 3) + 12);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes.data())), "ZQ735FILEv1.1");
    int32_t n;
    std::memcpy(&n, bytes.data() + 36, 4);
    EXPECT_EQ(n, 2);

    TScanDateTime read;
    ASSERT_EQ(Model->OpenSpectrumFile(a.string(), read), 0);
    EXPECT_EQ(read.Year, 2026);
    EXPECT_EQ(read.Second, 5);
    ASSERT_NE(Graph->CurveAt(0), nullptr);
    ASSERT_NE(Graph->CurveAt(1), nullptr);
    EXPECT_EQ(Graph->CurveAt(2), nullptr);
    EXPECT_EQ(Graph->CurveAt(0)->GetCount(), 11);
    EXPECT_EQ(Graph->CurveAt(1)->GetCount(), 3);
    EXPECT_FLOAT_EQ(Graph->CurveAt(1)->GetData()[2], 10.5f);
    EXPECT_EQ(GbkFieldToUtf8(Model->ParamsOfSlot(1)->BatchNo), "C");

    // Saving what was opened rewrites the same bytes (the date read is kept).
    const auto b = Dir / "b.ir";
    ASSERT_EQ(Model->SaveSpectrumFile(b.string(), read), 0);
    EXPECT_EQ(ReadBytes(b), bytes);
}

TEST_F(SpectrumFileTest, AnUnsetDateIsStampedWithTheLocalTimeOnlyWhenTheSaveSucceeds)
{
    AddCurve(3, "");
    TScanDateTime date;
    EXPECT_EQ(Model->SaveSpectrumFile((Dir / "no-such-folder" / "d.ir").string(), date), -1);
    EXPECT_FALSE(ScanDateSet(date));
    ASSERT_EQ(Model->SaveSpectrumFile((Dir / "d.ir").string(), date), 0);
    EXPECT_GE(date.Year, 2024);
    EXPECT_GE(date.Month, 1);
}

TEST_F(SpectrumFileTest, AFullDiskFailsTheSaveAndKeepsThePreviousFiles)
{
    AddCurve(50, "A");
    const auto path = Dir / "full.ir";
    TScanDateTime date;
    ASSERT_EQ(Model->SaveSpectrumFile(path.string(), date), 0);
    const auto before = ReadBytes(path);
    AddCurve(400, "B");
    TScanDateTime undated;
    {
        TFullDisk full(before.size() + 100);
        ASSERT_TRUE(full.Active());
        EXPECT_EQ(Model->SaveSpectrumFile(path.string(), undated), -1);
    }
    EXPECT_FALSE(ScanDateSet(undated));
    EXPECT_EQ(ReadBytes(path), before);

    // The 100 % baseline file: its rewrite is skipped silently, the old one stays.
    TSpCurveZQ735* c = Graph->CurveAt(1);
    TCurveInfo info{};
    c->GetInfo(info);
    std::vector<uint8_t> b(sizeof(TMeasureParams), 0);
    const TCurveInfoBytes ib = SerializeCurveInfo(info);
    b.insert(b.end(), ib.begin(), ib.end());
    const uint8_t* v = reinterpret_cast<const uint8_t*>(c->GetData());
    b.insert(b.end(), v, v + 4 * info.PointCount);
    WriteBytes(Dir / "BK100.dat", b);
    Model = std::make_unique<TApparaZQ735>(Sink, *Graph, Dir.string());
    ASSERT_NE(Model->HundredLine(), nullptr);
    {
        TFullDisk full(1000);
        Model->SaveHundredLine();
    }
    EXPECT_EQ(ReadBytes(Dir / "BK100.dat"), b);
    size_t files = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(Dir))
        ++files;
    EXPECT_EQ(files, 2u);  // no temporary left behind
}

TEST_F(SpectrumFileTest, ATimeDriveAsLongAsAStoredCurveMayBeIsSavedAndOpenedAgain)
{
    // The longest drive the parameter checks let through is written and read
    // back; a longer curve is refused by the writer rather than written
    // unreadable.
    for (const int points : {kMaxCurvePoints, kMaxCurvePoints + 1}) {
        Model->ClearAll();
        const int slot = Graph->NewCurve();
        ASSERT_GE(slot, 0);
        Graph->CurveAt(slot)->SetScanRange(0.0f, static_cast<float>(points), 0.0f, 100.0f, 0.0f, 0, points);
        const std::vector<float> v(static_cast<size_t>(points), 50.0f);
        Graph->CurveAt(slot)->AppendData(v.data(), points);
        TScanDateTime date;
        const auto f = Dir / ("t" + std::to_string(points) + ".ir");
        if (points <= kMaxCurvePoints) {
            ASSERT_EQ(Model->SaveSpectrumFile(f.string(), date), 0);
            ASSERT_EQ(Model->OpenSpectrumFile(f.string(), date), 0);
            EXPECT_EQ(Graph->CurveAt(0)->GetCount(), points);
        } else {
            EXPECT_EQ(Model->SaveSpectrumFile(f.string(), date), -1);
        }
    }
}

TEST_F(SpectrumFileTest, OlderVersionOpensWithEmptyTexts)
{
    AddCurve(4, "old batch");
    TScanDateTime date{2020, 1, 2, 3, 4, 5};
    const auto cur = Dir / "cur.ir";
    ASSERT_EQ(Model->SaveSpectrumFile(cur.string(), date), 0);
    std::vector<uint8_t> b = ReadBytes(cur);
    // Older layout: "ZQ735FILE" and a 40-byte parameter record.
    std::memset(b.data(), 0, 20);
    std::memcpy(b.data(), "ZQ735FILE", 9);
    b.erase(b.begin() + 40 + 40, b.begin() + 40 + 692);
    const auto old = Dir / "old.ir";
    WriteBytes(old, b);

    TScanDateTime read;
    ASSERT_EQ(Model->OpenSpectrumFile(old.string(), read), 0);
    ASSERT_NE(Graph->CurveAt(0), nullptr);
    EXPECT_EQ(Graph->CurveAt(0)->GetCount(), 4);
    EXPECT_EQ(Model->ParamsOfSlot(0)->BatchNo[0], 0);
    EXPECT_EQ(Model->ParamsOfSlot(0)->Speed, 0);
    EXPECT_EQ(read.Year, 2020);
}

TEST_F(SpectrumFileTest, DamagedFilesAreRefusedAndLeaveTheGraphAlone)
{
    AddCurve(6, "keep");
    TScanDateTime date{2021, 1, 1, 0, 0, 0};
    const auto good = Dir / "good.ir";
    ASSERT_EQ(Model->SaveSpectrumFile(good.string(), date), 0);
    const std::vector<uint8_t> base = ReadBytes(good);
    const size_t info = 40 + 692;  // the first descriptor

    struct Case {
        const char* what;
        std::function<void(std::vector<uint8_t>&)> damage;
    } cases[] = {
        {"wrong magic", [](auto& b) { std::memcpy(b.data(), "ZQ735FILEv1.2", 13); }},
        {"empty file", [](auto& b) { b.clear(); }},
        {"header only", [](auto& b) { b.erase(b.begin() + 30, b.end()); }},
        {"21 curves announced", [](auto& b) { Put<int32_t>(b, 36, 21); }},
        {"negative curve count", [](auto& b) { Put<int32_t>(b, 36, -1); }},
        {"two curves, one present", [](auto& b) { Put<int32_t>(b, 36, 2); }},
        {"cut inside the values", [](auto& b) { b.erase(b.end() - 12 - 8, b.end()); }},
        {"cut inside the descriptor", [&](auto& b) { b.erase(b.begin() + info + 100, b.end()); }},
        {"huge point count", [&](auto& b) { Put<int32_t>(b, info + 100, 0x7FFFFFFF); }},
        {"negative point count", [&](auto& b) { Put<int32_t>(b, info + 100, -5); }},
        {"huge capacity", [&](auto& b) { Put<int32_t>(b, info + 104, 0x40000000); }},
        {"counts beyond the capacity", [&](auto& b) { Put<int32_t>(b, info + 216, 5000); }},
        {"not a number in the view", [](auto& b) { Put<uint32_t>(b, 20, 0x7FC00000u); }},
        // The record's duration becomes the time axis's point count.
        {"a time drive of 1e35 s", [](auto& b) { Put<float>(b, 40 + 28, 1.66153e35f); }},
        {"not a number in the record", [](auto& b) { Put<uint32_t>(b, 40 + 8, 0x7FC00000u); }},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> b = base;
        c.damage(b);
        const auto path = Dir / "bad.ir";
        WriteBytes(path, b);
        TScanDateTime read{1, 1, 1, 1, 1, 1};
        const size_t messages = Sink.Messages.size();
        EXPECT_EQ(Model->OpenSpectrumFile(path.string(), read), -2) << c.what;
        ASSERT_NE(Graph->CurveAt(0), nullptr) << c.what;
        EXPECT_EQ(Graph->CurveAt(0)->GetCount(), 6) << c.what;
        EXPECT_EQ(read.Year, 1) << c.what;
        Sink.Pump();
        EXPECT_EQ(Sink.Messages.size(), messages) << c.what;
    }
    TScanDateTime read;
    EXPECT_EQ(Model->OpenSpectrumFile((Dir / "missing.ir").string(), read), -1);
}

TEST_F(SpectrumFileTest, HundredLineRoundTripAndShortFiles)
{
    AddCurve(9, "");
    TSpCurveZQ735* c = Graph->CurveAt(0);
    TCurveInfo info{};
    c->GetInfo(info);
    // Store the curve as the 100 % baseline file, then read it with a new model.
    std::vector<uint8_t> b(692, 0);
    TMeasureParams p;
    std::memcpy(b.data(), &p, 692);
    const TCurveInfoBytes ib = SerializeCurveInfo(info);
    b.insert(b.end(), ib.begin(), ib.end());
    const uint8_t* v = reinterpret_cast<const uint8_t*>(c->GetData());
    b.insert(b.end(), v, v + 4 * 9);
    WriteBytes(Dir / "BK100.dat", b);

    Model = std::make_unique<TApparaZQ735>(Sink, *Graph, Dir.string());
    ASSERT_NE(Model->HundredLine(), nullptr);
    EXPECT_EQ(Model->HundredLine()->GetCount(), 9);
    Model->SaveHundredLine();
    EXPECT_EQ(ReadBytes(Dir / "BK100.dat"), b);

    for (size_t size : {size_t{0}, size_t{500}, size_t{911}, b.size() - 1}) {
        std::vector<uint8_t> s(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(size));
        WriteBytes(Dir / "BK100.dat", s);
        Model = std::make_unique<TApparaZQ735>(Sink, *Graph, Dir.string());
        EXPECT_EQ(Model->HundredLine(), nullptr) << size;
    }
    // Whole files whose record holds numbers no measurement has.
    for (size_t at : {size_t{8}, size_t{28}}) {
        std::vector<uint8_t> s = b;
        Put<float>(s, at, at == 8 ? std::nanf("") : 1.66153e35f);
        WriteBytes(Dir / "BK100.dat", s);
        Model = std::make_unique<TApparaZQ735>(Sink, *Graph, Dir.string());
        EXPECT_EQ(Model->HundredLine(), nullptr) << at;
    }
}

}  // namespace
