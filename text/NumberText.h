#pragma once
// The number test of the quantitative tables and the numeric edits: what the
// framework's text-to-float conversion accepts. Kept here, below every layer
// that needs it, so the table logic and the windows cannot disagree.

#include <string_view>

// A complete number: blanks around allowed, an optional sign, digits with at
// most one point (at least one digit), an optional exponent; the value must
// be finite and fit a 32-bit float. The empty text, ".", "+." and "-." are
// not numbers. On success `value` holds the number in extended precision
// (the precision the conversions of the tables compute in).
bool ParseNumberText(std::string_view text, long double& value);

inline bool IsNumberTextUtf8(std::string_view text)
{
    long double unused = 0;
    return ParseNumberText(text, unused);
}
