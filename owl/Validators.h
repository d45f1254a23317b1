#pragma once
// Validators of edit controls: characters outside the set are refused while
// typing; a range validator also refuses typing past its range and checks the
// number (an empty text counts as 0) when the dialog closes.
#include <bitset>
#include <string>

namespace OWL {
// A set of characters written as in "0-9:apmAPM " (ranges with '-').
class TCharSet {
public:
    TCharSet() = default;
    explicit TCharSet(const char* spec);
    bool Has(char c) const { return bits_[static_cast<unsigned char>(c)]; }
    void Enable(char c) { bits_.set(static_cast<unsigned char>(c)); }
    void Disable(char c) { bits_.reset(static_cast<unsigned char>(c)); }

protected:
    std::bitset<256> bits_;
};

class TValidator {
public:
    virtual ~TValidator() = default;
    // The text as it would be after a keystroke: may it stand while typing?
    virtual bool IsValidInput(const std::string& text, bool suppressFill) const;
    // The finished text: may the dialog close with it?
    virtual bool IsValid(const std::string& text) const;
    virtual std::string ErrorText() const { return "Invalid input"; }
};

class TFilterValidator : public TValidator {
public:
    explicit TFilterValidator(const TCharSet& valid) : valid_(valid) {}
    bool IsValidInput(const std::string& text, bool suppressFill) const override;
    bool IsValid(const std::string& text) const override;
    std::string ErrorText() const override { return "Invalid character in input"; }

protected:
    TCharSet valid_;
};

class TRangeValidator : public TFilterValidator {
public:
    TRangeValidator(long min, long max);
    bool IsValidInput(const std::string& text, bool suppressFill) const override;
    bool IsValid(const std::string& text) const override;
    std::string ErrorText() const override;
    long GetMin() const { return min_; }
    long GetMax() const { return max_; }

private:
    long min_;
    long max_;
};
}
