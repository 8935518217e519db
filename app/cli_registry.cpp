#include "app/CliCommand.h"

#include <cmath>
#include <cstdlib>

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
    char* end = nullptr;
    v = std::strtod(s.c_str(), &end);
    return !s.empty() && end != s.c_str() && *end == '\0' && std::isfinite(v);
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
