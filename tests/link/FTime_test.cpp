#include "link/FTime.h"
#include "link/TimeScale.h"

#include <gtest/gtest.h>

TEST(FTime, DelayWaitsAtLeastTheTimeAsked)
{
    FTime t;
    t.Start();
    EXPECT_EQ(t.DelayMs(0), 1);
    EXPECT_EQ(t.DelayMs(-5), 1);
    EXPECT_EQ(t.DelayMs(1.5), 1);
    EXPECT_GE(t.ElapsedMs(), 1.5);
    EXPECT_EQ(t.LastMs(), t.LastMs());
    t.DelayMs(10);
    EXPECT_GE(t.ElapsedMs(), 11.5);
}

TEST(FTime, OnlyAFactorFromOneToAThousandStretchesTheLinksBudgets)
{
    const struct {
        const char* Text;
        double Scale;
    } cases[] = {
        {nullptr, 1.0}, {"", 1.0},    {"4", 4.0},   {"2.5", 2.5},  {"1000", 1000.0},
        {"0.5", 1.0},   {"0", 1.0},   {"-3", 1.0},  {"1001", 1.0}, {"4x", 1.0},
        {"x", 1.0},     {"nan", 1.0}, {"inf", 1.0}, {" 4", 4.0},   {"4 ", 1.0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseTimeScale(c.Text), c.Scale) << (c.Text ? c.Text : "(none)");
}
