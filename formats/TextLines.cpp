#include "formats/TextLines.h"
#include "text/GbkText.h"

namespace {

bool ValidUtf8(std::string_view s)
{
    std::size_t i = 0;
    while (i < s.size()) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        std::size_t n;
        if (c < 0x80)
            n = 0;
        else if ((c >> 5) == 6)
            n = 1;
        else if ((c >> 4) == 14)
            n = 2;
        else if ((c >> 3) == 30)
            n = 3;
        else
            return false;
        for (std::size_t k = 1; k <= n; ++k)
            if (i + k >= s.size() || (static_cast<unsigned char>(s[i + k]) >> 6) != 2)
                return false;
        i += n + 1;
    }
    return true;
}

}  // namespace

std::string FileTextToUtf8(std::string_view s)
{
    return ValidUtf8(s) ? std::string(s) : GbkToUtf8(s);
}

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}
