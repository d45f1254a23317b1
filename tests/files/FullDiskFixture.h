#pragma once
// Recording tests on a disk that runs out of space, once for each kind of full
// disk the test support makes ("tmpfs", "filesize").
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>

#include "files/MediaFile.h"
#include "platform/kernel/Clock.h"
#include "tests/support/DiskFaults.h"

class FullDiskFixture : public ::testing::TestWithParam<const char*> {
protected:
    explicit FullDiskFixture(std::int64_t now) : now_(now) {}
    void SetUp() override
    {
        platform::UseManualClock(now_);
        std::string why;
        space = testsupport::OutOfSpace::Make(GetParam(), &why);
        if (!space) {
            GTEST_SKIP() << why;
        }
    }
    void TearDown() override { platform::UseSystemClock(); }
    // A file in the folder that runs out of space.
    std::string In(const std::string& file) const { return space->Folder() + "/" + file; }
    // A close on the full disk fails and leaves the file open and dirty; once
    // there is room again, a second close finishes it.
    void CloseOnceThereIsRoom(MediaFile& f)
    {
        EXPECT_FALSE(f.close());
        EXPECT_TRUE(f.IsOpen());
        EXPECT_TRUE(f.IsDirty());
        space->Relieve();
        EXPECT_TRUE(f.close());
        EXPECT_FALSE(f.IsOpen());
    }

    std::unique_ptr<testsupport::OutOfSpace> space;

private:
    std::int64_t now_;
};
