#pragma once
// Settings of one simulated instrument, shared by the pseudo-terminal host,
// the protocol machine and the zq735-sim program.

#include <cstdint>
#include <string>

struct TSimOptions {
    // Everything the instrument does in time (bytes on the line, motor steps,
    // time-drive points) runs this many times faster than the real 960 bytes/s
    // link. Fault pauses stay in real milliseconds: they exist to test the
    // program's own time-outs.
    double Speed = 1.0;
    // The program's budgets stretched this many times (its ZQ735_TIME_SCALE):
    // the fault pauses and the patience with a half-sent argument stretch with
    // them, so that a pause keeps its place against the budget it tests.
    // 0: TSimPtyHost takes ZQ735_TIME_SCALE; the bare machine takes 1.
    double TimeScale = 0;
    // Seeds the unknown motor positions at power-on and the detector noise.
    uint32_t Seed = 1;
    // Detector noise, standard deviation in counts of one 16-bit sample.
    double Noise = 0;
    // Transmittance file of the sample in the beam; empty = built-in
    // polystyrene film; "empty" = nothing in the beam.
    std::string SampleFile;
    // "KIND[:ARG]" (see TSimFault), or empty for a healthy instrument.
    std::string Fault;
};
