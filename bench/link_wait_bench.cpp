// What a worker costs while it waits for an instrument that does not answer:
// ReadByte on a silent pseudo-terminal runs its whole 2000-poll budget.
// Compare the CPU time with the real time: the polls sleep, so the ratio
// (reported as cpu_share) stays near zero.

#include "link/SpComm.h"

#include <benchmark/benchmark.h>
#include <ctime>
#include <fcntl.h>
#include <stdexcept>
#include <termios.h>
#include <unistd.h>

namespace {

double ThreadCpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

void BM_SilentInstrumentReadByte(benchmark::State& state)
{
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0)
        throw std::runtime_error("no pseudo-terminal");
    TSpComm comm(std::make_unique<TListPortEnumerator>(std::vector<std::string>{}));
    comm.SetFixedDevice(ptsname(master));
    if (comm.Open() != 0)
        throw std::runtime_error("cannot open the pseudo-terminal");

    double cpu = 0, wall = 0;
    for (auto _ : state) {
        const double c0 = ThreadCpuMs();
        const auto t0 = std::chrono::steady_clock::now();
        uint8_t b = 0;
        benchmark::DoNotOptimize(comm.ReadByte(b));
        wall += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
        cpu += ThreadCpuMs() - c0;
    }
    state.counters["wait_ms"] = wall / state.iterations();
    state.counters["cpu_ms"] = cpu / state.iterations();
    state.counters["cpu_share_pct"] = 100.0 * cpu / wall;
    comm.Close();
    close(master);
}
BENCHMARK(BM_SilentInstrumentReadByte)->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
