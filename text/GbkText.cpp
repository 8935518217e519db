#include "text/GbkText.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

// One conversion descriptor per direction and thread: iconv_t keeps shift
// state and must not be shared, and opening one per call costs more than the
// short texts it converts.
class TIconv {
public:
    TIconv(const char* to, const char* from) : Cd(iconv_open(to, from)) {}
    ~TIconv()
    {
        if (Ok())
            iconv_close(Cd);
    }
    TIconv(const TIconv&) = delete;
    TIconv& operator=(const TIconv&) = delete;

    bool Ok() const { return Cd != reinterpret_cast<iconv_t>(-1); }

    // Converts all of `in`; on a sequence the target cannot take, `onBad` is
    // called with the remaining input and returns how many bytes to skip after
    // appending its replacement to `out`. An incomplete sequence at the end is
    // handed to `onBad` as well, with `atEnd` set.
    template <class OnBad>
    void Convert(std::string_view in, std::string& out, OnBad onBad)
    {
        iconv(Cd, nullptr, nullptr, nullptr, nullptr);
        char* src = const_cast<char*>(in.data());
        std::size_t srcLeft = in.size();
        char buf[256];
        while (srcLeft > 0) {
            char* dst = buf;
            std::size_t dstLeft = sizeof buf;
            std::size_t r = iconv(Cd, &src, &srcLeft, &dst, &dstLeft);
            out.append(buf, static_cast<std::size_t>(dst - buf));
            if (r != static_cast<std::size_t>(-1))
                continue;
            if (errno == E2BIG)
                continue;
            bool atEnd = errno == EINVAL;
            std::size_t skip = onBad(std::string_view(src, srcLeft), atEnd, out);
            skip = std::min(std::max<std::size_t>(skip, 1), srcLeft);
            src += skip;
            srcLeft -= skip;
            iconv(Cd, nullptr, nullptr, nullptr, nullptr);
        }
    }

private:
    iconv_t Cd;
};

TIconv& ToGbk()
{
    thread_local TIconv cd("GBK", "UTF-8");
    return cd;
}

TIconv& FromGbk()
{
    thread_local TIconv cd("UTF-8", "GBK");
    return cd;
}

// Bytes of the UTF-8 sequence starting with `lead` (1 for a stray byte).
std::size_t Utf8SeqLength(unsigned char lead)
{
    if (lead >= 0xF0 && lead <= 0xF4)
        return 4;
    if (lead >= 0xE0)
        return lead <= 0xEF ? 3 : 1;
    if (lead >= 0xC2)
        return 2;
    return 1;
}

bool IsGbkLead(unsigned char c)
{
    return c >= 0x81 && c <= 0xFE;
}

}  // namespace

std::string Utf8ToGbk(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    TIconv& cd = ToGbk();
    if (!cd.Ok()) {
        // Without a converter keep plain ASCII and mark everything else.
        for (char c : utf8)
            out.push_back(static_cast<unsigned char>(c) < 0x80 ? c : '?');
        return out;
    }
    cd.Convert(utf8, out, [](std::string_view rest, bool, std::string& o) {
        o.push_back('?');
        std::size_t n = Utf8SeqLength(static_cast<unsigned char>(rest[0]));
        // A lead byte whose continuation bytes are missing counts alone.
        for (std::size_t i = 1; i < n; ++i) {
            if (i >= rest.size() || (static_cast<unsigned char>(rest[i]) & 0xC0) != 0x80)
                return i;
        }
        return n;
    });
    return out;
}

std::string GbkToUtf8(std::string_view gbk)
{
    std::string out;
    out.reserve(gbk.size() + gbk.size() / 2);
    TIconv& cd = FromGbk();
    if (!cd.Ok()) {
        for (char c : gbk) {
            if (static_cast<unsigned char>(c) < 0x80)
                out.push_back(c);
            else
                out += "\xEF\xBF\xBD";
        }
        return out;
    }
    cd.Convert(gbk, out, [](std::string_view rest, bool atEnd, std::string& o) {
        if (atEnd)
            return rest.size();  // a lone lead byte at the end: drop it
        o += "\xEF\xBF\xBD";
        return std::size_t{1};
    });
    return out;
}

std::size_t GbkLength(std::string_view utf8)
{
    return Utf8ToGbk(utf8).size();
}

std::size_t GbkFitLength(std::string_view gbk, std::size_t maxBytes)
{
    std::size_t i = 0;
    while (i < gbk.size()) {
        std::size_t n = IsGbkLead(static_cast<unsigned char>(gbk[i])) ? 2 : 1;
        if (i + n > maxBytes || i + n > gbk.size())
            break;
        i += n;
    }
    return i;
}

std::size_t SetGbkField(char* dst, std::size_t size, std::string_view utf8)
{
    if (dst == nullptr || size == 0)
        return 0;
    std::string gbk = Utf8ToGbk(utf8);
    // An embedded NUL would end the text in the record anyway.
    gbk.resize(std::min(gbk.size(), gbk.find('\0')));
    std::size_t n = GbkFitLength(gbk, size - 1);
    std::memcpy(dst, gbk.data(), n);
    std::memset(dst + n, 0, size - n);
    return n;
}

std::string GbkFieldToUtf8(const char* src, std::size_t size)
{
    if (src == nullptr)
        return {};
    const void* nul = std::memchr(src, 0, size);
    std::size_t n = nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - src) : size;
    return GbkToUtf8(std::string_view(src, n));
}
