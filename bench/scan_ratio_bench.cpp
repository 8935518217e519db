// How close a wavenumber scan comes to the link's own byte rate: a scan of 200
// points at P = 4 against the simulated instrument, whose stream runs at
// 960 bytes/s (9600 baud, 8N1) times its speed factor. The counter `ratio` is
// the wall time of Cmd_Scan over the time the instrument's bytes need on the
// line; 1.00 means the command set adds nothing to the transfer.
//
//   build/bench/scan_ratio_bench                      (speed 1 and 20)
//   build/bench/scan_ratio_bench --benchmark_filter=/20

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "acquisition/SpCmd735.h"
#include "acquisition/SpTaskBase.h"
#include "link/SpComm.h"
#include "sim/SimPtyHost.h"

namespace {

constexpr int kPoints = 200;
constexpr int kPeriods = 4;
constexpr double kLinkBytesPerSecond = 960.0;

class TSampleCounter : public TSpTaskBase {
public:
  int OnScanData(const int16_t *, int count) override {
    Samples += count;
    return count;
  }
  long Samples = 0;
};

void BM_ScanRatio(benchmark::State &state) {
  const double speed = static_cast<double>(state.range(0));
  TSimOptions options;
  options.Speed = speed;
  TSimPtyHost sim(options);
  std::string error;
  if (!sim.Start(&error))
    throw std::runtime_error("simulator: " + error);
  TSpComm comm(
      std::make_unique<TListPortEnumerator>(std::vector<std::string>{}));
  comm.SetFixedDevice(sim.DevicePath());
  if (comm.Open() != 0)
    throw std::runtime_error("cannot open " + sim.DevicePath());
  TSampleCounter task;
  TSpCmd735 cmd(&task, comm);
  if (cmd.SetResponseCode(kPeriods) != 209)
    throw std::runtime_error(cmd.LastErrorText());

  std::vector<int16_t> buffer(TSpCmd735::kMaxChunkWords);
  // What the instrument sends for the command: the code and count echoes,
  // the samples, the end marker and the result byte.
  const double bytes = 1 + 4 + kPoints * kPeriods * 60 * 2 + 2 + 1;
  const double lineSeconds = bytes / (speed * kLinkBytesPerSecond);
  double wall = 0;
  for (auto _ : state) {
    task.Samples = 0;
    const auto t0 = std::chrono::steady_clock::now();
    const int r =
        cmd.Cmd_Scan(buffer.data(), static_cast<int>(buffer.size()), kPoints);
    const double s =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - t0)
            .count();
    if (r != 209 || task.Samples != kPoints * kPeriods * 60) {
      state.SkipWithError(("scan failed: " + cmd.LastErrorText()).c_str());
      break;
    }
    state.SetIterationTime(s);
    wall += s;
  }
  if (state.iterations() > 0) {
    state.counters["line_s"] = lineSeconds;
    state.counters["wall_s"] = wall / static_cast<double>(state.iterations());
    state.counters["ratio"] =
        wall / static_cast<double>(state.iterations()) / lineSeconds;
  }
  comm.Close();
  sim.Stop();
}
BENCHMARK(BM_ScanRatio)
    ->Arg(1)
    ->Arg(20)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
