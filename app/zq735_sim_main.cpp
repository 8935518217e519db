// zq735-sim: the simulated instrument on a pseudo-terminal. Prints the device
// path to open on its first line, then serves until SIGTERM/SIGINT, until
// --seconds run out, or until a hangup fault closes the line.

#include "sim/SimFault.h"
#include "sim/SimPtyHost.h"

#include <charconv>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <pthread.h>
#include <string>

namespace {

void PrintHelp()
{
    std::printf(
        "Usage: zq735-sim [options]\n"
        "Serves a simulated ZQ735 instrument on a pseudo-terminal and prints its device path.\n"
        "\n"
        "  --speed FACTOR       run FACTOR times faster than the 960 bytes/s link (default 1)\n"
        "  --seed N             seed of the power-on motor positions and of the noise (default 1)\n"
        "  --noise LEVEL        detector noise, counts RMS per sample (default 0)\n"
        "  --sample FILE|empty|quartz:MG\n"
        "                       the sample in the beam: a transmittance file, nothing, or a KBr pellet\n"
        "                       with MG mg of quartz (default: polystyrene film)\n"
        "  --fault KIND[:ARG]   misbehave as below\n"
        "  --seconds N          stop after N seconds (default: run until terminated)\n"
        "  --help               this text\n"
        "\n"
        "Faults:\n%s",
        TSimFault::Help());
}

int BadUsage(const std::string& text)
{
    std::fprintf(stderr, "zq735-sim: %s\nTry 'zq735-sim --help'.\n", text.c_str());
    return 2;
}

bool ParseDouble(const std::string& s, double& v)
{
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    return !s.empty() && ec == std::errc{} && end == s.data() + s.size() && std::isfinite(v);
}

bool ParseUnsigned(const std::string& s, uint32_t& v)
{
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    return !s.empty() && ec == std::errc{} && end == s.data() + s.size();
}

}  // namespace

int main(int argc, char** argv)
{
    TSimOptions options;
    double seconds = 0;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        std::string value;
        bool inlineValue = false;
        if (const size_t eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = arg.substr(eq + 1);
            arg.resize(eq);
            inlineValue = true;
        }
        if (arg == "--help" || arg == "-h") {
            if (inlineValue)
                return BadUsage("--help takes no value");
            PrintHelp();
            return 0;
        }
        const bool known = arg == "--speed" || arg == "--seed" || arg == "--noise" || arg == "--sample" ||
                           arg == "--fault" || arg == "--seconds";
        if (!known)
            return BadUsage("unknown option '" + arg + "'");
        if (!inlineValue) {
            if (i + 1 >= argc)
                return BadUsage(arg + " needs a value");
            value = argv[++i];
        }
        if (arg == "--speed") {
            if (!ParseDouble(value, options.Speed) || options.Speed <= 0 || options.Speed > 1e6)
                return BadUsage("--speed wants a factor above 0 and at most 1000000, not '" + value + "'");
        } else if (arg == "--seed") {
            if (!ParseUnsigned(value, options.Seed))
                return BadUsage("--seed wants a whole number from 0 to 4294967295, not '" + value + "'");
        } else if (arg == "--noise") {
            if (!ParseDouble(value, options.Noise) || options.Noise < 0 || options.Noise > 30000)
                return BadUsage("--noise wants a level from 0 to 30000, not '" + value + "'");
        } else if (arg == "--sample") {
            if (value.empty())
                return BadUsage("--sample wants a file name or 'empty'");
            TSampleSpectrum probe;
            std::string error;
            if (value != "empty" && !TSimPtyHost::LoadSample(value, probe, error))
                return BadUsage("--sample: " + error);
            options.SampleFile = value;
        } else if (arg == "--fault") {
            std::string error;
            TSimFault f;
            if (!TSimFault::Parse(value, f, &error))
                return BadUsage(error);
            options.Fault = value;
        } else if (arg == "--seconds") {
            if (!ParseDouble(value, seconds) || seconds <= 0)
                return BadUsage("--seconds wants a time above 0, not '" + value + "'");
        }
    }

    // Block the ending signals before the serving thread exists, so that it
    // inherits the mask and only this thread takes them, in sigtimedwait.
    sigset_t ending;
    sigemptyset(&ending);
    sigaddset(&ending, SIGTERM);
    sigaddset(&ending, SIGINT);
    sigaddset(&ending, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &ending, nullptr);

    TSimPtyHost host(options);
    std::string error;
    if (!host.Start(&error)) {
        std::fprintf(stderr, "zq735-sim: %s\n", error.c_str());
        return 1;
    }
    std::printf("%s\n", host.DevicePath().c_str());
    std::fflush(stdout);

    const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (host.Serving()) {
        if (seconds > 0 && std::chrono::steady_clock::now() >= until)
            break;
        const timespec slice{0, 200 * 1000 * 1000};
        if (sigtimedwait(&ending, nullptr, &slice) > 0)
            break;
    }
    const bool hungUp = !host.Serving();
    host.Stop();
    if (hungUp)
        std::fprintf(stderr, "zq735-sim: the line was hung up\n");
    return 0;
}
