#pragma once
// Scaling one integer by the ratio of two others without overflow on the way.
#include "platform/core/Types.h"

// a * b / c with a 64-bit intermediate, rounded to the nearest integer (halves away
// from zero); -1 when c is 0 or the result does not fit in 32 bits.
int MulDiv(int number, int numerator, int denominator);
