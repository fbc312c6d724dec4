#ifndef VELLIPO_NUMBER_H
#define VELLIPO_NUMBER_H

#include <cstdint>

// Reads a number as atoi does (leading blanks, an optional sign, the leading
// digits; 0 when there are none), but a value beyond the 32-bit range
// saturates at its largest or smallest value instead of being undefined.
int32_t read_number(const char *text);

// The pieces of that reading, for a reader that takes the text a character
// at a time: the magnitude after one more digit, which stops growing once
// it is past the 32-bit range, and the signed value it stands for.
int64_t add_digit(int64_t magnitude, int digit);
int32_t saturated_number(bool negative, int64_t magnitude);

#endif
