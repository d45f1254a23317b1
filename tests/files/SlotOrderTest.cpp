// The engine depends on the order of the file operations: check each one's slot
// in the table of virtual functions (Itanium C++ ABI, as g++ and clang lay it out:
// a virtual member pointer holds 1 + the byte offset of its slot; the destructor
// takes two slots).
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>

#include "files/WaveFile.h"

namespace {
template <typename F>
std::ptrdiff_t Slot(F member)
{
    static_assert(sizeof(F) == 2 * sizeof(std::ptrdiff_t));
    std::ptrdiff_t raw[2];
    std::memcpy(raw, &member, sizeof raw);
    EXPECT_EQ(raw[0] & 1, 1) << "not virtual";
    return (raw[0] - 1) / static_cast<std::ptrdiff_t>(sizeof(void*)) - 1;  // 0 = the destructor
}
}

TEST(SlotOrder, FileOperationsKeepTheirSlots)
{
    EXPECT_EQ(Slot(&MediaFile::rename), 1);
    EXPECT_EQ(Slot(&MediaFile::update), 2);
    EXPECT_EQ(Slot(&MediaFile::close), 3);
    EXPECT_EQ(Slot(&MediaFile::Delete), 4);
    EXPECT_EQ(Slot(&MediaFile::IsOpen), 5);
    EXPECT_EQ(Slot(&MediaFile::Reopen), 6);
    EXPECT_EQ(Slot(&MediaFile::GetPosition), 7);
    EXPECT_EQ(Slot(&MediaFile::position), 8);
    EXPECT_EQ(Slot(&MediaFile::GetLength), 9);
    EXPECT_EQ(Slot(&MediaFile::GetSeconds), 10);
    EXPECT_EQ(Slot(&MediaFile::SetDataSize), 11);
    EXPECT_EQ(Slot(&MediaFile::GetDataSize), 12);
    EXPECT_EQ(Slot(&MediaFile::GetBytesPerSecond), 13);
    EXPECT_EQ(Slot(&MediaFile::GetFileType), 14);
    EXPECT_EQ(Slot(&MediaFile::Write), 15);
    EXPECT_EQ(Slot(&MediaFile::WriteSamples), 16);
    EXPECT_EQ(Slot(&MediaFile::Read), 17);
    EXPECT_EQ(Slot(&MediaFile::ReadSamples), 18);
    EXPECT_EQ(Slot(&MediaFile::GetInfo), 19);
    EXPECT_EQ(Slot(&MediaFile::SetInfo), 20);
    EXPECT_EQ(Slot(&MediaFile::SetOverwrite), 21);
    EXPECT_EQ(Slot(&MediaFile::GetOverwrite), 22);
    EXPECT_EQ(Slot(&MediaFile::CanOverwrite), 23);
    EXPECT_EQ(Slot(&MediaFile::AddSampleCount), 24);
    EXPECT_EQ(Slot(&MediaFile::GetOpenError), 25);
    EXPECT_EQ(Slot(&RecFile::open), 26);
    EXPECT_EQ(Slot(&RecFile::SecondsToPosition), 27);
    EXPECT_EQ(Slot(&RecFile::TimeAtPosition), 28);
    EXPECT_EQ(Slot(&RiffFile::OpenAs), 29);
    EXPECT_EQ(Slot(&RiffFile::MakeTempName), 30);
    EXPECT_EQ(Slot(&RiffFile::GetHandle), 31);
    EXPECT_EQ(Slot(&RiffFile::createformat), 32);
    EXPECT_EQ(Slot(&RiffFile::ReadFormat), 33);
    // Overrides keep the slot of what they override.
    EXPECT_EQ(Slot(&WaveFile::position), 8);
    EXPECT_EQ(Slot(&WaveFile::ReadFormat), 33);
}
