// The multimedia headers share one set of result codes, so the engine can
// include the wave, file and compression interfaces together.
#include "platform/acm/Acm.h"
#include "platform/mmio/Mmio.h"
#include "platform/wave/Wave.h"

#include <gtest/gtest.h>

TEST(AcmHeaders, ResultCodesAreShared)
{
    EXPECT_EQ(MMSYSERR_INVALFLAG, 10u);
    EXPECT_EQ(MMSYSERR_INVALPARAM, 11u);
    EXPECT_EQ(ACMERR_NOTPOSSIBLE, 512u);
}
