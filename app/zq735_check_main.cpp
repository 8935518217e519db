// zq735-check: finds the instrument (or starts the simulated one), connects
// through the program's own serial code and reports what it answers.

#include "acquisition/SpCmd735.h"
#include "link/SpComm.h"
#include "sim/SimPtyHost.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace {

void Usage(FILE* out)
{
    std::fprintf(out,
                 "usage: zq735-check [--simulate [--sim-speed FACTOR]] [--port DEVICE]\n"
                 "Connects to the ZQ735 and reports its status and the grating's position sensor.\n"
                 "  --simulate         start the simulated instrument on a pseudo-terminal and use it\n"
                 "  --sim-speed F      pace of the simulated instrument over the real link (default 1)\n"
                 "  --port DEVICE      use this serial device instead of looking for the USB adapter\n"
                 "Without options the USB-serial adapter is looked for by its friendly name.\n");
}

}  // namespace

int main(int argc, char** argv)
{
    bool simulate = false;
    double speed = 1.0;
    std::string port;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--simulate") {
            simulate = true;
        } else if (a == "--sim-speed" && i + 1 < argc) {
            char* end = nullptr;
            speed = std::strtod(argv[++i], &end);
            if (end == argv[i] || *end != '\0' || !(speed > 0)) {
                std::fprintf(stderr, "zq735-check: bad --sim-speed value '%s'\n", argv[i]);
                return 2;
            }
        } else if (a == "--port" && i + 1 < argc) {
            port = argv[++i];
        } else if (a == "--help" || a == "-h") {
            Usage(stdout);
            return 0;
        } else {
            std::fprintf(stderr, "zq735-check: unknown argument '%s'\n", a.c_str());
            Usage(stderr);
            return 2;
        }
    }

    std::unique_ptr<TSimPtyHost> sim;
    TSpComm comm;
    if (simulate) {
        TSimOptions options;
        options.Speed = speed;
        sim = std::make_unique<TSimPtyHost>(options);
        std::string error;
        if (!sim->Start(&error)) {
            std::fprintf(stderr, "zq735-check: cannot start the simulated instrument: %s\n", error.c_str());
            return 1;
        }
        port = sim->DevicePath();
        std::printf("simulated instrument on %s\n", port.c_str());
    }
    if (!port.empty())
        comm.SetFixedDevice(port);

    if (comm.Open() != 0) {
        std::printf(port.empty() ? "no USB serial adapter found\n" : "cannot open %s\n", port.c_str());
        return 1;
    }
    std::printf("port %s open\n", comm.Port().PortName().c_str());

    TSpCmd735 cmd(nullptr, comm);
    int status = 0;
    const int r = cmd.Cmd_Connect(status);
    if (r < 0) {
        std::printf("%s\n", cmd.LastErrorText().c_str());
        return 1;
    }
    std::printf("Cmd_Connect: %d, status 0x%02X%s\n", r, status,
                status == 0xE0 ? " (instrument present)" : "");

    int16_t lbd = 0;
    const int g = cmd.Cmd_GetLBD(lbd);
    if (g < 0) {
        std::printf("%s\n", cmd.LastErrorText().c_str());
        return 1;
    }
    std::printf("Cmd_GetLBD: %d, status word 0x%04X, grating %s its position sensor\n", g,
                static_cast<unsigned>(static_cast<uint16_t>(lbd)), (lbd & 0x80) ? "on" : "off");
    return 0;
}
