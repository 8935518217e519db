// zq735-cli process on a scanned polystyrene film: conversions there and
// back, derivative and arithmetic, and every kind of bad input, which must
// exit with its status and leave no output file behind.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "tests/support/Run.h"

namespace {

namespace fs = std::filesystem;

// Where the values of a file's single curve start: magic, view header,
// parameter record, curve descriptor.
constexpr size_t kParams = 40;
constexpr size_t kValues = 40 + 692 + 220;

// Standard output and error together.
TRun RunProcessCli(const std::string& args) { return RunCli(args, "", TCliErrors::Merged); }

std::vector<uint8_t> ReadBytes(const fs::path& p)
{
    std::ifstream f(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

void WriteBytes(const fs::path& p, const std::vector<uint8_t>& b)
{
    std::ofstream f(p, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

int32_t PointCount(const std::vector<uint8_t>& b)
{
    int32_t n = 0;
    std::memcpy(&n, b.data() + kParams + 692 + 100, 4);
    return n;
}

std::vector<float> Values(const fs::path& p)
{
    const std::vector<uint8_t> b = ReadBytes(p);
    std::vector<float> v(static_cast<size_t>(PointCount(b)));
    std::memcpy(v.data(), b.data() + kValues, 4 * v.size());
    return v;
}

class CliProcess : public ::testing::Test {
protected:
    void SetUp() override
    {
        Dir = fs::temp_directory_path() / ("zq735-process-" + std::to_string(::getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(Dir);
        fs::create_directories(Dir);
        Ps = std::string(ZQ735_TEST_DATA) + "/samples/polystyrene.ir";
        ASSERT_GT(PointCount(ReadBytes(Ps)), 1000);
    }
    void TearDown() override { fs::remove_all(Dir); }
    std::string P(const char* name) const { return (Dir / name).string(); }

    // A copy of the film with its record or values changed.
    std::string Variant(const char* name, void (*change)(std::vector<uint8_t>&))
    {
        std::vector<uint8_t> b = ReadBytes(Ps);
        change(b);
        WriteBytes(Dir / name, b);
        return P(name);
    }

    fs::path Dir;
    std::string Ps;
};

TEST_F(CliProcess, ConvertedThereAndBackGivesTheFilmAgain)
{
    const TRun a = RunProcessCli("process " + Ps + " convert -o " + P("a.ir"));
    ASSERT_EQ(a.Status, 0) << a.Out;
    const std::vector<float> t = Values(Ps);
    const std::vector<float> abs = Values(P("a.ir"));
    ASSERT_EQ(abs.size(), t.size());
    EXPECT_GT(*std::max_element(abs.begin(), abs.end()), 1.0f);
    EXPECT_EQ(ReadBytes(P("a.ir"))[kParams], 1);  // Mode: Abs

    ASSERT_EQ(RunProcessCli("process " + P("a.ir") + " convert -o " + P("t.ir")).Status, 0);
    const std::vector<float> back = Values(P("t.ir"));
    for (size_t i = 0; i < t.size(); ++i)
        ASSERT_NEAR(back[i], t[i], 1e-4 * std::fabs(t[i]) + 1e-6) << i;
    EXPECT_EQ(ReadBytes(P("t.ir"))[kParams], 0);
}

TEST_F(CliProcess, DerivativeOfALineAndAFileMinusItself)
{
    const std::string line = Variant("line.ir", [](std::vector<uint8_t>& b) {
        for (int32_t i = 0; i < PointCount(b); ++i) {
            const float v = 20.0f + 0.5f * static_cast<float>(i);
            std::memcpy(b.data() + kValues + 4 * static_cast<size_t>(i), &v, 4);
        }
    });
    ASSERT_EQ(RunProcessCli("process " + line + " derive 1 -o " + P("d.ir")).Status, 0);
    const std::vector<float> d = Values(P("d.ir"));
    // The unscaled difference: twice the step inside, the step at both ends.
    EXPECT_EQ(d.front(), 0.5f);
    EXPECT_EQ(d.back(), 0.5f);
    for (size_t i = 1; i + 1 < d.size(); ++i)
        ASSERT_EQ(d[i], 1.0f) << i;

    const TRun z = RunProcessCli("process " + Ps + " sub " + Ps + ":1 -o " + P("z.ir"));
    ASSERT_EQ(z.Status, 0) << z.Out;
    for (float v : Values(P("z.ir")))
        ASSERT_EQ(v, 0.0f);

    // Steps run in order: smooth, then the constant arithmetic and expansion.
    ASSERT_EQ(RunProcessCli("process " + line + " mul --const 2 add --const -40 expand 0.5 -o " + P("k.ir")).Status, 0);
    const std::vector<float> k = Values(P("k.ir"));
    EXPECT_EQ(k[0], 0.0f);
    EXPECT_EQ(k[10], 20.0f);
}

TEST_F(CliProcess, BadInputExitsTwoAndWritesNothing)
{
    const std::string out = P("out.ir");
    const std::string hostile = std::string(ZQ735_TEST_DATA) + "/hostile/truncated-values.ir";
    const std::string cases[] = {
        "process " + P("missing.ir") + " smooth -o " + out,
        "process " + hostile + " smooth -o " + out,
        "process " + Ps + " --curve 2 smooth -o " + out,
        "process " + Ps + " --curve 21 smooth -o " + out,
        "process " + Ps + " sharpen -o " + out,
        "process " + Ps + " smooth",
        "process " + Ps + " -o " + out,
        "process " + Ps + " derive 5 -o " + out,
        "process " + Ps + " expand 0 -o " + out,
        "process " + Ps + " add --const x -o " + out,
        "process " + Ps + " add -o " + out,
        "process " + Ps + " sub " + P("missing.ir") + " -o " + out,
        "process " + Ps + " sub " + Ps + ":3 -o " + out,
        "process " + Ps + " smooth sub " + hostile + " -o " + out,
    };
    for (const std::string& c : cases) {
        const TRun r = RunProcessCli(c);
        EXPECT_EQ(r.Status, 2) << c << "\n" << r.Out;
        EXPECT_FALSE(r.Out.empty()) << c;
        EXPECT_FALSE(fs::exists(out)) << c;
    }
    // The message names what was wrong.
    EXPECT_NE(RunProcessCli("process " + Ps + " sharpen -o " + out).Out.find("sharpen"), std::string::npos);
    EXPECT_NE(RunProcessCli("process " + Ps + " derive 5 -o " + out).Out.find("'5'"), std::string::npos);
}

TEST_F(CliProcess, RefusedOperationsExitOneWithTheMessage)
{
    const std::string out = P("out.ir");
    const std::string slower = Variant("slow.ir", [](std::vector<uint8_t>& b) { b[kParams + 1] = 4; });
    const std::string energy = Variant("energy.ir", [](std::vector<uint8_t>& b) { b[kParams] = 2; });
    const struct {
        std::string Args;
        const char* Message;
    } cases[] = {
        {"process " + Ps + " div " + slower + " -o " + out, "波数范围不一样\n或扫描速度不一样\n无法进行运算"},
        {"process " + Ps + " smooth div --const 0 -o " + out, "除数太小，不能进行运算"},
        {"process " + energy + " convert -o " + out, "无法进行 透过率<-->吸光度 转换"},
    };
    for (const auto& c : cases) {
        const TRun r = RunProcessCli(c.Args);
        EXPECT_EQ(r.Status, 1) << c.Args << "\n" << r.Out;
        EXPECT_NE(r.Out.find(c.Message), std::string::npos) << r.Out;
        EXPECT_FALSE(fs::exists(out)) << c.Args;
    }
}

}  // namespace
