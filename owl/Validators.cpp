// Character sets written as letters and ranges ("0-9"), and the range validator's sign and whole-text rules.
#include "owl/Validators.h"

#include <cerrno>
#include <cstdlib>

namespace OWL {
TCharSet::TCharSet(const char* spec)
{
    if (!spec) {
        return;
    }
    for (const char* p = spec; *p; ++p) {
        if (p[1] == '-' && p[2]) {
            for (int c = static_cast<unsigned char>(p[0]); c <= static_cast<unsigned char>(p[2]); ++c) {
                bits_.set(static_cast<std::size_t>(c));
            }
            p += 2;
        } else {
            bits_.set(static_cast<unsigned char>(*p));
        }
    }
}

bool TValidator::IsValidInput(const std::string&, bool) const { return true; }
bool TValidator::IsValid(const std::string&) const { return true; }

bool TFilterValidator::IsValidInput(const std::string& text, bool) const
{
    for (char c : text) {
        if (!valid_.Has(c)) {
            return false;
        }
    }
    return true;
}

bool TFilterValidator::IsValid(const std::string& text) const { return IsValidInput(text, false); }

TRangeValidator::TRangeValidator(long min, long max)
    : TFilterValidator(TCharSet(min < 0 ? "0-9+-" : "0-9+")), min_(min), max_(max)
{
}

namespace {
// The number as the class library reads it: leading digits with a sign; none is 0.
bool RangeValue(const std::string& text, long* value)
{
    errno = 0;
    *value = std::strtol(text.c_str(), nullptr, 10);
    return errno == 0;
}
}

bool TRangeValidator::IsValidInput(const std::string& text, bool suppressFill) const
{
    // A number already past the range cannot come back into it by typing more digits.
    long value = 0;
    if (!TFilterValidator::IsValidInput(text, suppressFill) || !RangeValue(text, &value)) {
        return false;
    }
    return (max_ < 0 || value <= max_) && (min_ >= 0 || value >= min_);
}

bool TRangeValidator::IsValid(const std::string& text) const
{
    long value = 0;
    return TFilterValidator::IsValid(text) && RangeValue(text, &value) && value >= min_ && value <= max_;
}

std::string TRangeValidator::ErrorText() const
{
    return "Value is not in the range " + std::to_string(min_) + " to " + std::to_string(max_) + ".";
}
}
