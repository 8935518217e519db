#include "formats/Jcamp.h"

#include <fstream>

bool ReadTextFile(const std::string& path, std::string& text, std::string& error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open " + path;
        return false;
    }
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size < 0 || static_cast<unsigned long long>(size) > MaxTextFileBytes) {
        error = path + ": larger than " + std::to_string(MaxTextFileBytes >> 20) + " MB, not read";
        return false;
    }
    in.seekg(0);
    text.assign(static_cast<std::size_t>(size), '\0');
    if (size > 0 && !in.read(text.data(), size)) {
        error = "cannot read " + path;
        return false;
    }
    return true;
}
