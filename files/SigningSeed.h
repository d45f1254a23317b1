#pragma once
// The seed of the timecode signature, shared by the recording file and its timecode text.
#include <string>

// The six letters that start every recording digest, put together when needed.
std::string SigningSeed();
