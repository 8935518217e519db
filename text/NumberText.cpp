#include "text/NumberText.h"

#include <cfloat>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <string>

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The grammar alone; strtold would also take "inf", hexadecimal and the
// locale's decimal comma.
bool WellFormed(std::string_view s)
{
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        ++i;
    std::size_t digits = 0;
    while (i < s.size() && IsDigit(s[i])) {
        ++i;
        ++digits;
    }
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && IsDigit(s[i])) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return false;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-'))
            ++i;
        std::size_t expDigits = 0;
        while (i < s.size() && IsDigit(s[i])) {
            ++i;
            ++expDigits;
        }
        if (expDigits == 0)
            return false;
    }
    return i == s.size();
}

}  // namespace

bool ParseNumberText(std::string_view text, long double& value)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    if (!WellFormed(text))
        return false;
    // The grammar has no decimal comma; the "C" conversion is the one wanted
    // whatever the process locale says.
    static const locale_t c = newlocale(LC_NUMERIC_MASK, "C", static_cast<locale_t>(nullptr));
    const std::string copy(text);
    char* end = nullptr;
    const long double v = strtold_l(copy.c_str(), &end, c);
    if (end != copy.c_str() + copy.size() || !std::isfinite(v) || std::fabs(v) > FLT_MAX)
        return false;
    value = v;
    return true;
}
