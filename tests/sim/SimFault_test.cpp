// Faults of the simulated instrument, each shown on the command it spoils.

#include "tests/sim/SimDriver.h"

#include <gtest/gtest.h>

using namespace simtest;
using Bytes = std::vector<uint8_t>;

namespace {
constexpr uint8_t D0 = 0xD0, D1 = 0xD1, D2 = 0xD2;
}

TEST(SimFault, TextsParseOrAreRefused)
{
    const struct {
        const char* Text;
        bool Ok;
        TSimFaultKind Kind;
        int Arg;
    } cases[] = {
        {"", true, TSimFaultKind::None, 0},
        {"none", true, TSimFaultKind::None, 0},
        {"silent", true, TSimFaultKind::Silent, 0},
        {"pause", true, TSimFaultKind::Pause, 3000},
        {"pause:250", true, TSimFaultKind::Pause, 250},
        {"stream-pause:4000", true, TSimFaultKind::StreamPause, 4000},
        {"step-pause", true, TSimFaultKind::StepPause, 3000},
        {"drop", true, TSimFaultKind::Drop, 1},
        {"drop:7", true, TSimFaultKind::Drop, 7},
        {"hangup", true, TSimFaultKind::Hangup, 0},
        {"bogus", false, TSimFaultKind::None, 0},
        {"silent:3", false, TSimFaultKind::None, 0},
        {"pause:", false, TSimFaultKind::None, 0},
        {"pause:abc", false, TSimFaultKind::None, 0},
        {"pause:-5", false, TSimFaultKind::None, 0},
        {"drop:0", false, TSimFaultKind::None, 0},
        {"pause:99999999999", false, TSimFaultKind::None, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Text);
        TSimFault f;
        std::string error;
        ASSERT_EQ(TSimFault::Parse(c.Text, f, &error), c.Ok);
        if (c.Ok) {
            EXPECT_EQ(f.Kind, c.Kind);
            EXPECT_EQ(f.Arg, c.Arg);
            TSimFault again;
            ASSERT_TRUE(TSimFault::Parse(f.ToString(), again));
            EXPECT_EQ(again.Kind, f.Kind);
        } else {
            EXPECT_FALSE(error.empty());
        }
    }
}

TEST(SimFault, ShortRepliesAreSpoiledAsNamedUntilTheFaultIsCleared)
{
    const Bytes seting = Word(0x61, 10);
    const struct {
        const char* Fault;
        Bytes Request;
        Bytes Reply;
    } cases[] = {
        {"silent", {0x02}, {}},
        {"wrong-echo", {0x02}, {0xFD}},
        {"wrong-echo", seting, {0x9E}},
        {"echo-only", {0x02}, {0x02}},
        {"echo-only", seting, {0x61}},
        {"echo-only", {0x80}, {0x80}},
        {"short-tail", seting, {0x61, 0x0A, 0x00, D0, D0}},
        {"short-tail", {0x80}, {0x80, 0x00, 0x00, D0, D0}},
        {"bad-tail", seting, {0x61, 0x0A, 0x00, D0, D1, D1}},
        {"drop:1", {0x02}, {0x02}},
        {"drop:1", seting, {0x61, 0x00, D0, D0, D1}},
        {"drop:2", {0x80}, {0x80, D0, D0, D1}},
        {"none", seting, {0x61, 0x0A, 0x00, D0, D0, D1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.Fault << " on " << std::hex << int(c.Request[0]));
        TDriver d;
        d.M.SetPosition(TSimInstrument::Grating, 500);
        ASSERT_TRUE(d.M.SetFault(c.Fault));
        EXPECT_EQ(d.Exchange(c.Request), c.Reply);
        d.Advance(2.0);  // whatever argument the spoilt command still waits for is given up
        EXPECT_EQ(d.Exchange(c.Request), c.Reply) << "the fault holds";
        d.M.SetFault("");
        d.Advance(2.0);
        EXPECT_EQ(d.Exchange({0x02}), (Bytes{0x02, 0xE0})) << "and clears";
    }
}

TEST(SimFault, PauseHoldsBackTheWholeReply)
{
    TDriver d;
    d.M.SetFault("pause:500");
    d.Send({0x02});
    EXPECT_TRUE(d.Advance(0.45).empty());
    EXPECT_EQ(d.Advance(0.1), (Bytes{0x02, 0xE0}));
}

// The program's budgets stretched by a time scale: the pause a fault puts in
// a reply, and the patience with a half-sent argument, stretch alike, so that
// each keeps its place against the budget it tests.
TEST(SimFault, ATimeScaleStretchesPausesAndThePatienceWithAnArgument)
{
    for (const double scale : {1.0, 4.0}) {
        SCOPED_TRACE(scale);
        TSimOptions o;
        o.TimeScale = scale;
        TDriver paused(o);
        paused.M.SetFault("pause:500");
        paused.Send({0x02});
        EXPECT_TRUE(paused.Advance(0.45 * scale).empty());
        EXPECT_EQ(paused.Advance(0.1 * scale), (Bytes{0x02, 0xE0}));

        // The second byte of a setting's value, late by just under the
        // patience, is still taken as the value.
        TDriver late(o);
        late.Send({0x61, 10});
        EXPECT_EQ(late.Advance(0.9 * scale), (Bytes{0x61}));
        late.Send({0});
        EXPECT_EQ(late.Drain(), (Bytes{10, 0, D0, D0, D1}));
    }
}

TEST(SimFault, PausesInsideStreamsOpenAGapOnlyInTheirKindOfStream)
{
    const struct {
        const char* Fault;
        Bytes Request;
        bool Gap;
    } cases[] = {
        {"stream-pause:600", Word(0x94, 8), true},      {"stream-pause:600", Dword(0x90, 3), true},
        {"stream-pause:600", Dword(0x40, 1000), false}, {"stream-pause:600", Word(0x61, 10), false},
        {"scan-pause:600", Dword(0x90, 3), true},       {"scan-pause:600", Word(0x94, 8), false},
        {"step-pause:600", Dword(0x40, 1000), true},    {"step-pause:600", Word(0x94, 8), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.Fault << " on " << std::hex << int(c.Request[0]));
        TDriver d;
        d.M.SetPosition(TSimInstrument::Grating, 0);
        d.M.SetFault(c.Fault);
        d.Send(c.Request);
        double last = 0, longestGap = 0;
        bool any = false;
        while (!d.M.Idle() && d.T < 10) {
            if (!d.Advance(0.005).empty()) {
                if (any)
                    longestGap = std::max(longestGap, d.T - last);
                last = d.T;
                any = true;
            }
        }
        EXPECT_TRUE(d.M.Idle());
        if (c.Gap) {
            EXPECT_GT(longestGap, 0.55);
            EXPECT_LT(longestGap, 0.7);
        } else {
            EXPECT_LT(longestGap, 0.1);
        }
    }
}

TEST(SimFault, DropLosesBytesInsideAStream)
{
    TDriver d;
    d.M.SetFault("drop:3");
    EXPECT_EQ(d.Exchange(Word(0x94, 8)).size(), 966u - 3);
}

TEST(SimFault, TailFaultsReachTheEndsOfStreams)
{
    const struct {
        const char* Fault;
        Bytes End;
    } cases[] = {{"short-tail", {D0, D0}}, {"bad-tail", {D0, D1, D1}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Fault);
        TDriver d(AtSpeed(10));
        d.M.SetFault(c.Fault);
        for (const Bytes& request : {Dword(0x40, 300), Dword(0x90, 2), Bytes(Word(0x94, 1))}) {
            const Bytes reply = d.Exchange(request);
            ASSERT_GT(reply.size(), c.End.size());
            EXPECT_EQ(Bytes(reply.end() - static_cast<long>(c.End.size()), reply.end()), c.End);
        }
    }
}

TEST(SimFault, GarbageInAStepStreamShowsAResultByteOutOfPlace)
{
    TDriver d;
    d.M.SetPosition(TSimInstrument::Grating, 0);
    d.M.SetFault("garbage");
    const Bytes reply = d.Exchange(Dword(0x40, 1000));
    const TStepStream s = ReadSteps(reply, 5);
    EXPECT_TRUE(s.Misplaced);
    EXPECT_EQ(std::count(reply.begin(), reply.end(), D2), 1);
}

TEST(SimFault, HangupAsksTheHostToCloseTheLine)
{
    TDriver d;
    d.M.SetFault("hangup");
    EXPECT_FALSE(d.M.HangupRequested());
    EXPECT_TRUE(d.Exchange({0x02}).empty());
    EXPECT_TRUE(d.M.HangupRequested());
}

TEST(SimFault, ACommandAlreadyRunningFinishesTheWayItStarted)
{
    TDriver d;
    d.M.SetPosition(TSimInstrument::Grating, 0);
    d.Send(Dword(0x40, 1000));
    d.Advance(0.1);
    d.M.SetFault("silent");
    const Bytes rest = d.Drain();
    EXPECT_EQ(Bytes(rest.end() - 3, rest.end()), (Bytes{D0, D0, D1}));
    EXPECT_TRUE(d.Exchange({0x02}).empty());
}
