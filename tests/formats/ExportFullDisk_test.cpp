// An export onto a disk that fills up: the write is reported as failed, and
// a file of that name from before is still there, byte for byte (an export
// that truncated it first would leave half a file, or none).

#include "acquisition/OfflineDocument.h"
#include "formats/Jcamp.h"
#include "formats/SpectrumCurves.h"
#include "tests/support/FullDisk.h"
#include "tests/support/GuiApp.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <unistd.h>

namespace {

const std::string Data = std::string(ZQ735_TEST_DATA) + "/formats/";

std::string ReadBytes(const std::filesystem::path& p)
{
    std::ifstream f(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

struct TExport {
    const char* Name;
    const char* File;
    // Writes the document's spectrum to `path`; false with `error` on failure.
    std::function<bool(TOfflineDocument&, const std::string& path, std::string& error)> Write;
};

void PrintTo(const TExport& e, std::ostream* os) { *os << e.Name; }

class ExportFullDisk : public ::testing::TestWithParam<TExport> {
protected:
    void SetUp() override
    {
        Dir = std::filesystem::temp_directory_path() /
              ("zq735-export-full-" + std::to_string(::getpid()) + "-" + GetParam().Name);
        std::filesystem::remove_all(Dir);
        std::filesystem::create_directories(Dir);
    }
    void TearDown() override { std::filesystem::remove_all(Dir); }

    std::filesystem::path Dir;
};

TEST_P(ExportFullDisk, FailsAndKeepsThePreviousFile)
{
    const TExport& e = GetParam();
    TOfflineDocument doc;
    ASSERT_EQ(doc.Model().OpenSpectrumFile(Data + "polystyrene.ir", doc.Date), 0);
    const std::filesystem::path target = Dir / e.File;
    const std::string previous = "an earlier export\n" + std::string(300, 'x') + "\n";
    {
        std::ofstream f(target, std::ios::binary);
        f << previous;
    }

    std::string error;
    bool written = true;
    {
        // Room for the old file's size and a little more; the export is far larger.
        TFullDisk full(previous.size() + 100);
        ASSERT_TRUE(full.Active());
        written = e.Write(doc, target.string(), error);
    }
    EXPECT_FALSE(written);
    EXPECT_EQ(error, "cannot write " + target.string());
    EXPECT_EQ(ReadBytes(target), previous);
    // Nothing half-written is left beside it either.
    int files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(Dir))
        ++files;
    EXPECT_EQ(files, 1);

    // With room again the same export replaces the file.
    error.clear();
    ASSERT_TRUE(e.Write(doc, target.string(), error)) << error;
    EXPECT_NE(ReadBytes(target), previous);
    EXPECT_GT(std::filesystem::file_size(target), previous.size() + 100);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, ExportFullDisk,
    ::testing::Values(
        // The window's "导出…" and the cli's export: the text, then WriteTextFile.
        TExport{"Jcamp", "film.jdx",
                [](TOfflineDocument& d, const std::string& path, std::string& error) {
                    std::string text;
                    return ExportJcampText(d.Model(), -1, d.Date, text, error) && WriteTextFile(path, text, error);
                }},
        TExport{"Csv", "film.csv",
                [](TOfflineDocument& d, const std::string& path, std::string& error) {
                    std::string text;
                    return ExportCsvText(d.Model(), -1, text, error) && WriteTextFile(path, text, error);
                }},
        TExport{"JcampFile", "block.jdx",
                [](TOfflineDocument& d, const std::string& path, std::string& error) {
                    TSpCurveZQ735* c = d.Graph().CurveAt(0);
                    return c != nullptr &&
                           WriteJcampFile(path, SpectrumOfCurve(*c, *d.Model().ParamsOfSlot(0)), {}, error);
                }}),
    [](const ::testing::TestParamInfo<TExport>& i) { return std::string(i.param.Name); });

}  // namespace
