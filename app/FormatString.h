#pragma once
// printf-style formatting into a string of whatever length the text needs.
#include <cstdarg>
#include <string>

// A null format gives an empty string.
std::string FormatString(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string FormatStringV(const char* format, va_list args) __attribute__((format(printf, 1, 0)));
