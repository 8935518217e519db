// The simulator's sample files (--sample FILE): two-column text or JCAMP-DX.

#include "sim/SampleSpectrum.h"

#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TSampleSpectrum out;
    std::string error;
    ParseSampleSpectrum(std::string_view(reinterpret_cast<const char*>(data), size), out, error);
    return 0;
}
