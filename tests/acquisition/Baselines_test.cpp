// Reading the 100 % baseline file: every reading is divided by its values,
// so a file with a value no transmittance has (infinite, NaN, zero or below)
// is refused with a notice, as a damaged file is, and the baseline before
// stays in force.

#include <sys/stat.h>

#include <cmath>
#include <fstream>
#include <limits>

#include "tests/acquisition/EngineFixture.h"

namespace {

class HundredLineFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        TestGuiApp();
        Dir = std::filesystem::temp_directory_path() /
              ("zq735-bk100-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(Dir);
        std::filesystem::create_directories(Dir);
        Canvas.fill(Qt::white);
        Surface = std::make_unique<TSpImage>(nullptr, &Canvas, 0, 0, Canvas.width(), Canvas.height());
        Graph = std::make_unique<TSpGraph735>(nullptr, Surface.get());
        Graph->SetStartRanges();
    }
    void TearDown() override
    {
        Model.reset();
        Graph.reset();
        Surface.reset();
        std::filesystem::remove_all(Dir);
    }

    // BK100.dat over 4000 -> 3980 cm-1 (11 points of 80 %T), with `bad` at point 5.
    void WriteFile(float bad)
    {
        TCurveInfo tmpl{};
        TSpCurveZQ735 line(nullptr, tmpl);
        line.SetScanRange(4000.0f, 3980.0f, 0.0f, 102.0f, 2000.0f, 11, 0);
        for (int i = 0; i < 11; ++i) {
            const float v = i == 5 ? bad : 80.0f;
            line.AppendData(&v, 1);
        }
        TCurveInfo info{};
        line.GetInfo(info);
        const TMeasureParams params;
        std::ofstream f(Dir / "BK100.dat", std::ios::binary | std::ios::trunc);
        f.write(reinterpret_cast<const char*>(&params), sizeof params);
        const TCurveInfoBytes bytes = SerializeCurveInfo(info);
        f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        f.write(reinterpret_cast<const char*>(line.GetData()),
                static_cast<std::streamsize>(info.PointCount) * 4);
    }
    void NewModel() { Model = std::make_unique<TApparaZQ735>(Sink, *Graph, Dir.string()); }

    std::filesystem::path Dir;
    TRecordingSink Sink;
    QImage Canvas{800, 500, QImage::Format_RGB32};
    std::unique_ptr<TSpImage> Surface;
    std::unique_ptr<TSpGraph735> Graph;
    std::unique_ptr<TApparaZQ735> Model;
};

TEST_F(HundredLineFile, ValuesNoTransmittanceHasAreRefusedWithANoticeAndThePreviousLineStays)
{
    // No file: nothing to say.
    NewModel();
    EXPECT_EQ(Model->HundredLine(), nullptr);
    EXPECT_EQ(Model->HundredLineNotice(), "");

    WriteFile(50.0f);
    NewModel();
    ASSERT_NE(Model->HundredLine(), nullptr);
    EXPECT_EQ(Model->HundredLineNotice(), "");
    EXPECT_EQ(Model->HundredLine()->GetData()[5], 50.0f);

    const float bad[] = {std::numeric_limits<float>::infinity(),
                         -std::numeric_limits<float>::infinity(),
                         std::nanf(""),
                         0.0f,
                         -0.0f,
                         -12.5f};
    for (const float v : bad) {
        SCOPED_TRACE(v);
        WriteFile(v);
        // At start: no baseline rather than a wrong one.
        NewModel();
        EXPECT_EQ(Model->HundredLine(), nullptr);
        EXPECT_NE(Model->HundredLineNotice().find("BK100.dat 含有无效数值"), std::string::npos)
            << Model->HundredLineNotice();
    }
    // Read again while a good line is in force: the good one stays.
    WriteFile(50.0f);
    NewModel();
    WriteFile(-1.0f);
    Model->LoadHundredLine();
    ASSERT_NE(Model->HundredLine(), nullptr);
    EXPECT_EQ(Model->HundredLine()->GetData()[5], 50.0f);
    EXPECT_FALSE(Model->HundredLineNotice().empty());

    // A damaged file says so too; a FIFO is not waited on.
    std::filesystem::resize_file(Dir / "BK100.dat", 900);
    NewModel();
    EXPECT_EQ(Model->HundredLine(), nullptr);
    EXPECT_NE(Model->HundredLineNotice().find("已损坏"), std::string::npos) << Model->HundredLineNotice();
    std::filesystem::remove(Dir / "BK100.dat");
    ASSERT_EQ(::mkfifo((Dir / "BK100.dat").c_str(), 0600), 0);
    NewModel();
    EXPECT_EQ(Model->HundredLine(), nullptr);
    EXPECT_NE(Model->HundredLineNotice().find("已损坏"), std::string::npos) << Model->HundredLineNotice();
}

}  // namespace
