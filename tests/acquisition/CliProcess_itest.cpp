// zq735-cli process on a scanned polystyrene film: conversions there and
// back, derivative and arithmetic, and every kind of bad input, which must
// exit with its status and leave no output file behind.

#include <gtest/gtest.h>
#include <locale.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
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

// The film followed by a second curve: a ramp, in a file of two curves.
std::string TwoCurves(const fs::path& dir, const std::string& ps)
{
    const std::vector<uint8_t> b = ReadBytes(ps);
    std::vector<uint8_t> record(b.begin() + kParams, b.end() - 12);
    std::vector<uint8_t> out(b.begin(), b.begin() + kParams);
    const int32_t two = 2;
    std::memcpy(out.data() + 36, &two, 4);
    out.insert(out.end(), record.begin(), record.end());
    for (int32_t i = 0; i < PointCount(b); ++i) {
        const float v = 20.0f + 0.5f * static_cast<float>(i);
        std::memcpy(record.data() + 692 + 220 + 4 * static_cast<size_t>(i), &v, 4);
    }
    out.insert(out.end(), record.begin(), record.end());
    out.insert(out.end(), b.end() - 12, b.end());
    WriteBytes(dir / "multi.ir", out);
    return (dir / "multi.ir").string();
}

// The values of the second curve of a file of two curves of equal length.
std::vector<float> SecondValues(const fs::path& p)
{
    const std::vector<uint8_t> b = ReadBytes(p);
    const auto n = static_cast<size_t>(PointCount(b));
    std::vector<float> v(n);
    std::memcpy(v.data(), b.data() + kValues + 4 * n + 692 + 220, 4 * n);
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

TEST_F(CliProcess, TheFirstCurveOrTheOneNamedIsProcessed)
{
    const std::string multi = TwoCurves(Dir, Ps);
    const std::vector<float> film = Values(Ps);
    const std::vector<float> ramp = SecondValues(multi);

    const TRun first = RunProcessCli("process " + multi + " derive 1 -o " + P("d1.ir"));
    ASSERT_EQ(first.Status, 0) << first.Out;
    EXPECT_NE(first.Out.find("processed curve 1"), std::string::npos) << first.Out;
    EXPECT_NE(Values(P("d1.ir")), film);
    EXPECT_EQ(SecondValues(P("d1.ir")), ramp);

    ASSERT_EQ(RunProcessCli("process " + multi + " --curve 2 derive 1 -o " + P("d2.ir")).Status, 0);
    EXPECT_EQ(Values(P("d2.ir")), film);
    EXPECT_EQ(SecondValues(P("d2.ir"))[5], 1.0f);

    // The second operand is the first curve of its file unless named.
    ASSERT_EQ(RunProcessCli("process " + Ps + " sub " + multi + " -o " + P("z.ir")).Status, 0);
    for (float v : Values(P("z.ir")))
        ASSERT_EQ(v, 0.0f);
    ASSERT_EQ(RunProcessCli("process " + Ps + " sub " + multi + ":2 -o " + P("r.ir")).Status, 0);
    EXPECT_EQ(Values(P("r.ir"))[0], film[0] - ramp[0]);

    // A curve no file can hold is named as it was typed.
    const TRun none = RunProcessCli("process " + Ps + " add " + Ps + ":25 -o " + P("n.ir"));
    EXPECT_EQ(none.Status, 2);
    EXPECT_NE(none.Out.find("no curve 25 in"), std::string::npos) << none.Out;
}

TEST_F(CliProcess, NumbersBeyondTheStoredRangeOrNotDecimalExitTwo)
{
    const std::string out = P("out.ir");
    const std::string cases[] = {
        // The constant itself does not fit a 32-bit float.
        "mul --const 1e40",
        "div --const 1e300",
        "expand 1e300",
        "mul --const 1e-50",
        // Not decimal numbers.
        "mul --const 0x10",
        "add --const inf",
        "add --const nan",
        "add --const ' 2'",
        "expand 0x1p3",
        // Each constant fits, the result does not.
        "mul --const 1e30 mul --const 1e30",
        "div --const 1e30 div --const 1e30",
    };
    for (const std::string& c : cases) {
        const TRun r = RunProcessCli("process " + Ps + " " + c + " -o " + out);
        EXPECT_EQ(r.Status, 2) << c << "\n" << r.Out;
        EXPECT_FALSE(fs::exists(out)) << c;
    }
    EXPECT_NE(RunProcessCli("process " + Ps + " mul --const 1e30 mul --const 1e30 -o " + out)
                  .Out.find("运算结果超出数值范围"),
              std::string::npos);
    // A leading plus is still a number.
    ASSERT_EQ(RunProcessCli("process " + Ps + " add --const +2.5 -o " + out).Status, 0);
}

TEST_F(CliProcess, ASecondCurveOnAnotherGridIsRefused)
{
    // The film exported and imported again at every other point: the same
    // range, twice the spacing; the record is made the film's own, so that
    // only the points differ.
    const TRun csv =
        RunShell(std::string(ZQ735_BIN_DIR) + "/app/zq735-cli export " + Ps + " --csv 2>/dev/null");
    ASSERT_EQ(csv.Status, 0);
    std::string sparse;
    size_t row = 0;
    for (size_t at = 0; at < csv.Out.size();) {
        const size_t end = csv.Out.find('\n', at);
        const std::string line =
            csv.Out.substr(at, end == std::string::npos ? std::string::npos : end - at + 1);
        if (row == 0 || row % 2 == 1 || end == std::string::npos || end + 1 >= csv.Out.size())
            sparse += line;
        ++row;
        at = end == std::string::npos ? csv.Out.size() : end + 1;
    }
    {
        std::ofstream(Dir / "sparse.csv") << sparse;
    }
    const TRun imported = RunProcessCli("import " + P("sparse.csv") + " -o " + P("sparse.ir"));
    ASSERT_EQ(imported.Status, 0) << imported.Out;
    std::vector<uint8_t> b = ReadBytes(P("sparse.ir"));
    const std::vector<uint8_t> film = ReadBytes(Ps);
    std::copy(film.begin() + kParams, film.begin() + kParams + 692, b.begin() + kParams);
    WriteBytes(Dir / "sparse.ir", b);
    ASSERT_NE(PointCount(b), PointCount(film));

    const std::string out = P("out.ir");
    const TRun r = RunProcessCli("process " + Ps + " div " + P("sparse.ir") + " -o " + out);
    EXPECT_EQ(r.Status, 2) << r.Out;
    EXPECT_NE(r.Out.find("两条谱线的数据点不在同一横坐标上"), std::string::npos) << r.Out;
    EXPECT_FALSE(fs::exists(out));
}

TEST_F(CliProcess, NumbersReadTheSameUnderALocaleWithADecimalComma)
{
    // A German locale: the system's when it has one, else one made for the test.
    std::string env = "LC_ALL=de_DE.UTF-8 ";
    if (locale_t l = ::newlocale(LC_ALL_MASK, "de_DE.UTF-8", nullptr)) {
        ::freelocale(l);
    } else {
        const fs::path made = Dir / "locales";
        fs::create_directories(made);
        if (RunShell("localedef -i de_DE -f UTF-8 '" + (made / "de_DE.UTF-8").string() + "' >/dev/null 2>&1")
                .Status != 0)
            GTEST_SKIP() << "no de_DE.UTF-8 locale and localedef cannot make one";
        env = "LOCPATH='" + made.string() + "' " + env;
    }
    const std::string cli = env + std::string(ZQ735_BIN_DIR) + "/app/zq735-cli ";
    const TRun r = RunShell(cli + "process " + Ps + " add --const 2.5 -o " + P("plus.ir") + " 2>&1");
    ASSERT_EQ(r.Status, 0) << r.Out;
    EXPECT_EQ(Values(P("plus.ir"))[0], Values(Ps)[0] + 2.5f);
    // The comma of the locale is no decimal point on the command line.
    EXPECT_EQ(RunShell(cli + "process " + Ps + " add --const 2,5 -o " + P("comma.ir") + " 2>&1").Status, 2);
    // And what it prints has a decimal point: five commas a CSV line.
    const TRun peaks = RunShell(cli + "peaks " + Ps + " --height 2.5 --from 3200.5 --to 2800 --csv 2>/dev/null");
    EXPECT_EQ(peaks.Status, 0) << peaks.Out;
    size_t lines = 0;
    for (size_t at = 0, end; (end = peaks.Out.find('\n', at)) != std::string::npos; at = end + 1, ++lines)
        EXPECT_EQ(std::count(peaks.Out.begin() + static_cast<long>(at), peaks.Out.begin() + static_cast<long>(end), ','),
                  5)
            << peaks.Out;
    EXPECT_GT(lines, 2u);
}

}  // namespace
