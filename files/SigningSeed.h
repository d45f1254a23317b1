#pragma once
#include <string>

// The six letters that start every recording digest, put together when needed.
std::string SigningSeed();
