#pragma once
// Line-by-line reading shared by the text formats: any line ending (CR LF,
// LF, CR), a byte-order mark skipped, and every line bounded before it is
// looked at.

#include "formats/Jcamp.h"

#include <cstddef>
#include <string>
#include <string_view>

// Calls fn(lineNumber, line) for every line (numbered from 1) until fn
// returns false. A line longer than MaxTextLineBytes ends the walk with a
// message naming it. Returns false when the walk was ended.
template <class F>
bool ForEachLine(std::string_view text, F&& fn, std::string& error)
{
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    std::size_t pos = 0, number = 0;
    while (pos < text.size()) {
        std::size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos)
            end = text.size();
        ++number;
        if (end - pos > MaxTextLineBytes) {
            error = "line " + std::to_string(number) + ": longer than " + std::to_string(MaxTextLineBytes) +
                    " bytes, not read";
            return false;
        }
        if (!fn(number, text.substr(pos, end - pos)))
            return false;
        pos = end;
        if (pos < text.size() && text[pos] == '\r') {
            ++pos;
            if (pos < text.size() && text[pos] == '\n')
                ++pos;
        } else if (pos < text.size()) {
            ++pos;
        }
    }
    return true;
}

// Text from a file as UTF-8: kept when it is valid UTF-8, else taken as GBK.
std::string FileTextToUtf8(std::string_view s);

std::string_view Trim(std::string_view s);
