#pragma once
// What the pages read back from their controls (a text cut to the characters
// the page takes, its decimal number) and the rate check of the format pages.
#include <string>

#include "owl/PropertySheet.h"

// At most chars characters of the window's text.
std::string ControlText(const OWL::TWindow& control, int chars);
// Blanks, a sign and the leading digits of the first chars characters; 0 without digits.
long long ControlNumber(const OWL::TWindow& control, int chars);
// Lets the application dispatch what is waiting (nothing without an application object).
void PumpWaitingMessages();

// The sample rate of the format pages' rate combo (its first 9 characters): 1..100000.
bool SampleRateInRange(const OWL::TWindow& rateCombo);
// CanClose of a format page: one that refused its rate keeps the sheet on itself
// until the rate is mended (then Apply stores it).
bool RatePageCanClose(OWL::TPropertyPage& page, bool& pageValid, const OWL::TWindow& rateCombo);
