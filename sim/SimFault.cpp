#include "sim/SimFault.h"

#include <charconv>

namespace {

struct TFaultName {
    TSimFaultKind Kind;
    const char* Name;
    bool TakesArg;
    int DefaultArg;
    int MinArg;
    int MaxArg;
};

// Pauses are capped at ten minutes and drops at a megabyte: enough for any
// time-out under test, small enough that a typo cannot wedge a test run.
constexpr TFaultName Names[] = {
    {TSimFaultKind::Silent, "silent", false, 0, 0, 0},
    {TSimFaultKind::WrongEcho, "wrong-echo", false, 0, 0, 0},
    {TSimFaultKind::EchoOnly, "echo-only", false, 0, 0, 0},
    {TSimFaultKind::ShortTail, "short-tail", false, 0, 0, 0},
    {TSimFaultKind::BadTail, "bad-tail", false, 0, 0, 0},
    {TSimFaultKind::Pause, "pause", true, 3000, 0, 600000},
    {TSimFaultKind::StreamPause, "stream-pause", true, 3000, 0, 600000},
    {TSimFaultKind::ScanPause, "scan-pause", true, 3000, 0, 600000},
    {TSimFaultKind::StepPause, "step-pause", true, 3000, 0, 600000},
    {TSimFaultKind::Drop, "drop", true, 1, 1, 1 << 20},
    {TSimFaultKind::Garbage, "garbage", false, 0, 0, 0},
    {TSimFaultKind::Hangup, "hangup", false, 0, 0, 0},
};

bool Fail(std::string* error, const std::string& text)
{
    if (error)
        *error = text;
    return false;
}

}  // namespace

bool TSimFault::Parse(const std::string& text, TSimFault& out, std::string* error)
{
    if (text.empty() || text == "none") {
        out = TSimFault{};
        return true;
    }
    const size_t colon = text.find(':');
    const std::string name = text.substr(0, colon);
    for (const TFaultName& n : Names) {
        if (name != n.Name)
            continue;
        TSimFault f{n.Kind, n.DefaultArg};
        if (colon != std::string::npos) {
            if (!n.TakesArg)
                return Fail(error, "fault '" + name + "' takes no argument");
            const std::string arg = text.substr(colon + 1);
            int v = 0;
            const auto [end, ec] = std::from_chars(arg.data(), arg.data() + arg.size(), v);
            if (arg.empty() || ec != std::errc{} || end != arg.data() + arg.size())
                return Fail(error, "fault '" + name + "': '" + arg + "' is not a whole number");
            if (v < n.MinArg || v > n.MaxArg)
                return Fail(error, "fault '" + name + "': " + arg + " is outside " + std::to_string(n.MinArg) +
                                       ".." + std::to_string(n.MaxArg));
            f.Arg = v;
        }
        out = f;
        return true;
    }
    return Fail(error, "unknown fault '" + name + "' (see --help)");
}

std::string TSimFault::ToString() const
{
    for (const TFaultName& n : Names)
        if (n.Kind == Kind)
            return n.TakesArg ? std::string(n.Name) + ":" + std::to_string(Arg) : std::string(n.Name);
    return "none";
}

const char* TSimFault::Help()
{
    return "  silent            no answer at all\n"
           "  wrong-echo        the command code comes back altered\n"
           "  echo-only         the command code is echoed, nothing follows\n"
           "  short-tail        tails end after D0 D0, without the result byte\n"
           "  bad-tail          tails read D0 D1 <result>\n"
           "  pause[:MS]        MS ms (default 3000) of silence before each reply\n"
           "  stream-pause[:MS] MS ms (default 3000) of silence in the middle of each sample stream\n"
           "                    (scan, time drive, one-point acquisition)\n"
           "  scan-pause[:MS]   the same in scan and time-drive streams only, so that the\n"
           "                    one-point acquisitions around a scan stay healthy\n"
           "  step-pause[:MS]   MS ms (default 3000) of silence in the middle of each motor step stream\n"
           "  drop[:N]          N bytes (default 1) vanish from the middle of each reply or stream\n"
           "  garbage           stray bytes, a lone result code among them, inside step streams\n"
           "  hangup            the next command closes the pseudo-terminal\n"
           "A fault holds until replaced; 'none' clears it.\n";
}
