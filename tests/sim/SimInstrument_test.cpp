// The simulated instrument's protocol, motors and streams on a fake clock.

#include "tests/sim/SimDriver.h"

#include <gtest/gtest.h>

using namespace simtest;
using Bytes = std::vector<uint8_t>;

namespace {

constexpr uint8_t D0 = 0xD0, D1 = 0xD1, D2 = 0xD2, D3 = 0xD3;

}  // namespace

TEST(SimLine, ConnectEchoesThenReportsPresenceOneByteTimeApart)
{
    TDriver d;  // 960 bytes/s: one byte every 1.04 ms
    d.Send({0x02});
    EXPECT_EQ(d.Advance(0.0015), (Bytes{0x02}));
    EXPECT_EQ(d.Advance(0.0010), (Bytes{0xE0}));
    EXPECT_TRUE(d.M.Idle());
    EXPECT_FALSE(d.M.NextEvent());
}

TEST(SimLine, StreamsTakeTheirTimeOnTheLineScaledBySpeed)
{
    // Echo, P echo, 480 words, tail: 966 bytes.
    for (const double speed : {1.0, 8.0}) {
        SCOPED_TRACE(speed);
        TDriver d(AtSpeed(speed));
        const double seconds = 966 / (960.0 * speed);
        d.Send(Word(0x94, 8));
        EXPECT_LT(d.Advance(seconds * 0.97).size(), 966u);
        EXPECT_FALSE(d.M.Idle());
        d.Advance(seconds * 0.06);
        EXPECT_TRUE(d.M.Idle());
    }
}

TEST(SimLine, UnknownCodesAndAStrayStopByteGetNoAnswer)
{
    TDriver d;
    EXPECT_TRUE(d.Exchange({0x01, 0x42, 0x33, 0xFF}).empty());
    EXPECT_EQ(d.Exchange({0x02}), (Bytes{0x02, 0xE0}));
}

TEST(SimLine, ArgumentLeftHalfSentIsAbandonedSoTheNextCommandIsHeard)
{
    // The program gives up on a late echo and never sends the value.
    TDriver d;
    EXPECT_EQ(d.Exchange({0x61}), (Bytes{0x61}));
    d.Advance(1.5);
    EXPECT_EQ(d.Exchange({0x02}), (Bytes{0x02, 0xE0}));
}

TEST(SimSensor, BitSevenOfTheStatusWordIsSetOnlyNearStepZero)
{
    const struct {
        int Position;
        bool Set;
    } cases[] = {{0, true}, {3, true}, {-3, true}, {4, false}, {-4, false}, {800, false}, {-800, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Position);
        TDriver d;
        d.M.SetPosition(TSimInstrument::Grating, c.Position);
        EXPECT_EQ(d.Exchange({0x80}), (Bytes{0x80, uint8_t(c.Set ? 0x80 : 0x00), 0x00, D0, D0, D1}));
    }
}

TEST(SimSettings, ValuesAreEchoedRememberedOrRefused)
{
    const struct {
        uint8_t Code;
        uint16_t Value;
        uint8_t Result;
        int Speed, Periods, Slit;  // afterwards
    } cases[] = {
        {0x61, 40, D1, 40, 4, 5},  {0x63, 8, D1, 10, 8, 5},    {0x66, 15, D1, 10, 4, 15},
        {0x61, 0, D2, 10, 4, 5},   {0x63, 0xFFFF, D2, 10, 4, 5}, {0x63, 101, D2, 10, 4, 5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << int(c.Code) << " " << std::dec << c.Value);
        TDriver d;
        EXPECT_EQ(d.Exchange(Word(c.Code, c.Value)),
                  (Bytes{c.Code, uint8_t(c.Value), uint8_t(c.Value >> 8), D0, D0, c.Result}));
        EXPECT_EQ(d.M.StepsPerPoint(), c.Speed);
        EXPECT_EQ(d.M.PeriodsPerPoint(), c.Periods);
        EXPECT_EQ(d.M.SlitCode(), c.Slit);
    }
}

TEST(SimMotors, StepStreamsReportTheCommandedStepsEvenAgainstAnEndStop)
{
    const struct {
        uint8_t Code;
        int Motor;
        int From;
        uint32_t Count;
        int To;
    } cases[] = {
        {0x40, TSimInstrument::Grating, 0, 5000, 5000},   {0x41, TSimInstrument::Grating, 5000, 800, 4200},
        {0x41, TSimInstrument::Grating, 2, 800, -798},    {0x47, TSimInstrument::Slit, 300, 1200, 0},
        {0x46, TSimInstrument::Slit, 0, 373, 373},        {0x44, TSimInstrument::Filter, 1000, 1200, 1200},
        {0x45, TSimInstrument::Filter, 500, 1200, 0},     {0x48, TSimInstrument::Shutter, 150, 200, 200},
        {0x49, TSimInstrument::Shutter, 200, 200, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << int(c.Code) << std::dec << " from " << c.From);
        TDriver d;
        d.M.SetPosition(c.Motor, c.From);
        const Bytes reply = d.Exchange(Dword(c.Code, c.Count));
        ASSERT_GE(reply.size(), 8u);
        EXPECT_EQ(Bytes(reply.begin(), reply.begin() + 5), Dword(c.Code, c.Count));
        const TStepStream s = ReadSteps(reply, 5);
        EXPECT_EQ(s.Steps, c.Count);
        EXPECT_EQ(s.Result, D1);
        EXPECT_EQ(5 + s.Used, reply.size());
        for (size_t i = 5; i + 3 < reply.size(); ++i)
            EXPECT_LE(reply[i], TSimInstrument::MaxStepsPerByte);
        EXPECT_EQ(d.M.Position(c.Motor), c.To);
    }
}

TEST(SimMotors, EachMotorMovesAtItsOwnPaceTimesSpeed)
{
    const struct {
        uint8_t Code;
        int Motor;
    } cases[] = {{0x40, TSimInstrument::Grating}, {0x46, TSimInstrument::Slit}, {0x44, TSimInstrument::Filter},
                 {0x48, TSimInstrument::Shutter}};
    for (const double speed : {1.0, 5.0})
        for (const auto& c : cases) {
            SCOPED_TRACE(testing::Message() << "motor " << c.Motor << " speed " << speed);
            TDriver d(AtSpeed(speed));
            d.M.SetPosition(c.Motor, 0);
            const double pace = TSimInstrument::StepsPerSecond(c.Motor);
            d.Send(Dword(c.Code, static_cast<uint32_t>(pace)));  // one second's worth at Speed 1
            d.Advance(0.9 / speed);
            EXPECT_FALSE(d.M.Idle());
            const int halfway = d.M.Position(c.Motor);
            EXPECT_GT(halfway, 0.8 * pace);
            EXPECT_LT(halfway, pace);
            d.Advance(0.15 / speed);
            EXPECT_TRUE(d.M.Idle());
        }
}

TEST(SimMotors, GratingResetRunsBackToStepZeroOntoTheSensor)
{
    for (const int from : {5000, 32600, -700, 0}) {
        SCOPED_TRACE(from);
        TDriver d;
        d.M.SetPosition(TSimInstrument::Grating, from);
        const Bytes reply = d.Exchange({0x20});
        ASSERT_FALSE(reply.empty());
        EXPECT_EQ(reply[0], 0x20);
        const TStepStream s = ReadSteps(reply, 1);
        EXPECT_EQ(s.Steps, std::abs(from));
        EXPECT_EQ(s.Result, D1);
        EXPECT_EQ(d.M.Position(TSimInstrument::Grating), 0);
        EXPECT_TRUE(d.M.OnPositionSensor());
    }
}

TEST(SimMotors, StopByteEndsARunningMotorWithStoppedResult)
{
    TDriver d;
    d.M.SetPosition(TSimInstrument::Grating, 0);
    d.Send(Dword(0x40, 20000));
    Bytes reply = d.Advance(1.0);
    d.Send({TSimInstrument::StopByte});
    const Bytes rest = d.Drain(1.0);
    reply.insert(reply.end(), rest.begin(), rest.end());
    const TStepStream s = ReadSteps(reply, 5);
    EXPECT_EQ(s.Result, D3);
    EXPECT_EQ(5 + s.Used, reply.size());
    EXPECT_NEAR(s.Steps, 2000, 60);
    EXPECT_EQ(d.M.Position(TSimInstrument::Grating), s.Steps);
}

TEST(SimMotors, PowerOnPositionsAreUnknownButSeeded)
{
    auto positions = [](uint32_t seed) {
        TSimOptions o;
        o.Seed = seed;
        TSimInstrument m(o);
        return std::vector<int>{m.Position(0), m.Position(1), m.Position(2), m.Position(4)};
    };
    EXPECT_EQ(positions(7), positions(7));
    EXPECT_NE(positions(7), positions(8));
    int onSensor = 0;
    for (uint32_t seed = 1; seed <= 40; ++seed) {
        TSimOptions o;
        o.Seed = seed;
        onSensor += TSimInstrument(o).OnPositionSensor();
    }
    EXPECT_GT(onSensor, 0);
    EXPECT_LT(onSensor, 40);
}

TEST(SimSamples, StreamsCarryPointsTimesPeriodsTimesSixtyWordsThenEnd)
{
    const struct {
        const char* Name;
        Bytes Request;
        size_t EchoBytes;
        size_t Words;
        int GratingMoves;
    } cases[] = {
        {"scan 5 points, P 2, 10 steps", Dword(0x90, 5), 5, 5 * 2 * 60, 50},
        {"scan of no points", Dword(0x90, 0), 5, 0, 0},
        {"time drive 3 s, P 2", Dword(0x95, 3), 5, 3 * 2 * 60, 0},
        {"one point, P 8", Word(0x94, 8), 3, 480, 0},
        {"one point, P 1", Word(0x94, 1), 3, 60, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TDriver d(AtSpeed(4));
        d.M.SetPosition(TSimInstrument::Grating, 1000);
        ASSERT_EQ(d.Exchange(Word(0x61, 10)).back(), D1);
        ASSERT_EQ(d.Exchange(Word(0x63, 2)).back(), D1);
        const Bytes reply = d.Exchange(c.Request);
        ASSERT_GE(reply.size(), c.EchoBytes);
        EXPECT_EQ(Bytes(reply.begin(), reply.begin() + static_cast<long>(c.EchoBytes)), c.Request);
        const TSampleStream s = ReadSamples(reply, c.EchoBytes);
        EXPECT_EQ(s.Words.size(), c.Words);
        EXPECT_TRUE(s.Ended);
        EXPECT_EQ(s.Result, D1);
        EXPECT_EQ(s.Trailing, 0u);
        EXPECT_EQ(d.M.Position(TSimInstrument::Grating), 1000 + c.GratingMoves);
    }
}

TEST(SimSamples, TimeDriveTakesOnePointPerSecond)
{
    TDriver d;
    d.Send(Dword(0x95, 3));
    d.Advance(2.0);  // the third point starts at 2 s
    EXPECT_FALSE(d.M.Idle());
    d.Advance(0.3);  // and takes 4 x 120 bytes at 960 bytes/s
    d.Advance(0.3);
    EXPECT_TRUE(d.M.Idle());
}

TEST(SimSamples, StopByteEndsAStreamAfterTheEndWord)
{
    for (const uint8_t code : {uint8_t{0x90}, uint8_t{0x95}}) {
        SCOPED_TRACE(int(code));
        TDriver d;
        d.Send(Dword(code, 1000));
        Bytes reply = d.Advance(0.5);
        d.Send({TSimInstrument::StopByte});
        const Bytes rest = d.Drain(1.0);
        reply.insert(reply.end(), rest.begin(), rest.end());
        const TSampleStream s = ReadSamples(reply, 5);
        EXPECT_TRUE(s.Ended);
        EXPECT_EQ(s.Result, D3);
        EXPECT_EQ(s.Trailing, 0u);
        EXPECT_GT(s.Words.size(), 100u);
        EXPECT_LT(s.Words.size(), 300u);
    }
}

TEST(SimSamples, OnePointAcquisitionIsTooShortToStop)
{
    TDriver d;
    d.Send(Word(0x94, 8));
    Bytes reply = d.Advance(0.2);
    d.Send({TSimInstrument::StopByte});
    const Bytes rest = d.Drain();
    reply.insert(reply.end(), rest.begin(), rest.end());
    const TSampleStream s = ReadSamples(reply, 3);
    EXPECT_EQ(s.Words.size(), 480u);
    EXPECT_EQ(s.Result, D1);
}

TEST(SimSamples, ConverterWordsStayInRangeAndNeverReadAsTheEndMarker)
{
    EXPECT_EQ(TSimOptics::ToWord(-40), 0);
    EXPECT_EQ(TSimOptics::ToWord(70000), 65535);
    EXPECT_EQ(TSimOptics::ToWord(0xD0D0), 0xD0D1);
    EXPECT_EQ(TSimOptics::ToWord(0xD0D0 + 0.3), 0xD0D1);
    EXPECT_EQ(TSimOptics::ToWord(0xD0CF), 0xD0CF);
}

TEST(SimSamples, NoiseIsReproducibleFromTheSeed)
{
    auto stream = [](uint32_t seed, double noise) {
        TSimOptions o;
        o.Seed = seed;
        o.Noise = noise;
        o.Speed = 10;
        TDriver d(o);
        d.M.SetPosition(TSimInstrument::Grating, 0);
        return d.Exchange(Word(0x94, 2));
    };
    EXPECT_EQ(stream(3, 40), stream(3, 40));
    EXPECT_NE(stream(3, 40), stream(4, 40));
    EXPECT_NE(stream(3, 40), stream(3, 0));
}

TEST(SimMotors, TheProgramsSystemResetBringsEveryMotorToItsReference)
{
    // Slit back 1200, sensor check (backing 800 off a parked grating), grating
    // reset, filter back 1200, shutter out 200: from any power-on state.
    for (const int grating : {2, -3, 17000, -650}) {
        SCOPED_TRACE(grating);
        TDriver d(AtSpeed(20));
        d.M.SetPosition(TSimInstrument::Grating, grating);
        ASSERT_EQ(ReadSteps(d.Exchange(Dword(0x47, 1200)), 5).Result, D1);
        Bytes lbd = d.Exchange({0x80});
        if (lbd.at(1) & 0x80) {
            ASSERT_EQ(ReadSteps(d.Exchange(Dword(0x41, 800)), 5).Result, D1);
            lbd = d.Exchange({0x80});
            ASSERT_FALSE(lbd.at(1) & 0x80) << "still on the sensor after backing off";
        }
        const TStepStream reset = ReadSteps(d.Exchange({0x20}), 1);
        EXPECT_EQ(reset.Result, D1);
        ASSERT_EQ(ReadSteps(d.Exchange(Dword(0x45, 1200)), 5).Result, D1);
        ASSERT_EQ(ReadSteps(d.Exchange(Dword(0x48, 200)), 5).Result, D1);
        EXPECT_EQ(d.M.Position(TSimInstrument::Grating), 0);
        EXPECT_EQ(d.M.Position(TSimInstrument::Slit), 0);
        EXPECT_EQ(d.M.Position(TSimInstrument::Filter), 0);
        EXPECT_EQ(d.M.Position(TSimInstrument::Shutter), 200);
        EXPECT_DOUBLE_EQ(d.M.Wavenumber(), 4000.0);
    }
}
