#pragma once
// The file commands of zq735-cli (those that need no instrument) live in
// files of their own, app/cli_*.cpp, and announce themselves here, so that
// each stays beside the library functions it calls and the front end's
// argument loop does not grow with every one of them.
//
// A file command takes the words after its name and returns the exit status:
// 0 success, 1 an operation the data refused, 2 bad arguments or a bad file.
// It writes results to standard output and messages to standard error.

#include <string>
#include <vector>

namespace cli {

constexpr int ExitOk = 0;
constexpr int ExitRefused = 1;
constexpr int ExitUsage = 2;

struct TFileCommand {
    const char* Name;
    // Its lines of the --help text, each ending in a newline.
    const char* Usage;
    int (*Run)(const std::vector<std::string>& args);
};

// For a namespace-scope initialiser in the command's own file:
//   const bool Registered = cli::Register({"peaks", "...", &RunPeaks});
bool Register(const TFileCommand& command);
const std::vector<TFileCommand>& FileCommands();
const TFileCommand* FindFileCommand(const std::string& name);

// Whole-text number parsing shared by every command of zq735-cli: decimal
// with "." whatever the locale, finite, no hexadecimal, no blanks.
bool ParseNumber(const std::string& s, double& v);
bool ParseInt(const std::string& s, int lo, int hi, int& v);

}  // namespace cli
