#pragma once
// Running programs from tests: a shell command line with its standard output
// and exit status, and zq735-cli as a user runs it.

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>

struct TRun {
    int Status = -1;
    std::string Out;
};

// The exit status, or 128 + the signal that ended the command.
inline TRun RunShell(const std::string& command)
{
    TRun r;
    FILE* p = ::popen(command.c_str(), "r");
    if (p == nullptr)
        return r;
    std::array<char, 4096> buf;
    size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0)
        r.Out.append(buf.data(), n);
    const int st = ::pclose(p);
    r.Status = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
    return r;
}

enum class TCliErrors { Dropped, Merged };

// zq735-cli with `args`; its data folder is `dataDir` (a name under the
// temporary folder, or an absolute path; empty: the environment's).
inline TRun RunCli(const std::string& args, const std::string& dataDir = "zq735-cli-test",
                   TCliErrors errors = TCliErrors::Dropped)
{
    std::string cmd;
    if (!dataDir.empty()) {
        const std::filesystem::path dir = std::filesystem::path(dataDir).is_absolute()
                                              ? std::filesystem::path(dataDir)
                                              : std::filesystem::temp_directory_path() / dataDir;
        cmd = "ZQ735_DATA_DIR='" + dir.string() + "' ";
    }
    cmd += std::string(ZQ735_BIN_DIR) + "/app/zq735-cli " + args +
           (errors == TCliErrors::Merged ? " 2>&1" : " 2>/dev/null");
    return RunShell(cmd);
}
