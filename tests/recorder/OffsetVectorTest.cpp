// The offset vector grows at the top in steps or exactly, and at the bottom by lowering its base.
#include <gtest/gtest.h>

#include "recorder/OffsetVector.h"

TEST(OffsetVectorTest, GrowsAtTheTopInStepsOrExactly)
{
    OffsetVector stepped;
    stepped.SetStep(10);
    stepped.At(3) = 33;
    EXPECT_EQ(stepped.Size(), 10u);
    EXPECT_EQ(stepped.At(3), 33);
    stepped.At(10);
    EXPECT_EQ(stepped.Size(), 20u);  // 10 + 10 - 0: the next multiple above 10

    OffsetVector exact(4);
    exact.At(5) = 1;
    EXPECT_EQ(exact.Size(), 6u);
    EXPECT_EQ(exact.At(0), 0);
}

TEST(OffsetVectorTest, GrowsAtTheBottomByLoweringTheBase)
{
    OffsetVector v;
    v.At(0) = 7;
    v.At(1) = 8;
    v.At(2) = 9;
    v.At(-2) = -2;
    EXPECT_EQ(v.Base(), -2);
    EXPECT_EQ(v.Size(), 5u);
    EXPECT_EQ(v.At(0), 7);
    EXPECT_EQ(v.At(2), 9);
    EXPECT_EQ(v.At(-1), 0);
    EXPECT_EQ(v.At(-2), -2);
}
