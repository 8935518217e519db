#include <charconv>
#include <cmath>
#include <system_error>

#include "app/CliCommand.h"

namespace cli {

namespace {
// A function-local table: the commands register from static initialisers of
// other files, whose order against this file's is not defined.
std::vector<TFileCommand>& Table()
{
    static std::vector<TFileCommand> table;
    return table;
}
}  // namespace

bool Register(const TFileCommand& command)
{
    Table().push_back(command);
    return true;
}

const std::vector<TFileCommand>& FileCommands() { return Table(); }

const TFileCommand* FindFileCommand(const std::string& name)
{
    for (const TFileCommand& c : Table())
        if (name == c.Name)
            return &c;
    return nullptr;
}

bool ParseNumber(const std::string& s, double& v)
{
    // from_chars reads the C locale's "." whatever the environment's locale
    // (QGuiApplication adopts it, and strtod would then want a comma), and it
    // reads decimal only: "0x10", "inf" and "nan" are not numbers here.
    const char* first = s.data();
    const char* const last = s.data() + s.size();
    if (last - first > 1 && *first == '+' && first[1] != '-')
        ++first;
    double d = 0.0;
    const auto [end, ec] = std::from_chars(first, last, d, std::chars_format::general);
    if (first == last || ec != std::errc() || end != last || !std::isfinite(d))
        return false;
    v = d;
    return true;
}

bool ParseInt(const std::string& s, int lo, int hi, int& v)
{
    double d;
    if (!ParseNumber(s, d) || d != static_cast<int>(d) || d < lo || d > hi)
        return false;
    v = static_cast<int>(d);
    return true;
}

}  // namespace cli
