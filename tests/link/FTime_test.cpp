#include "link/FTime.h"

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
