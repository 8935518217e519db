// The scan recovery file "ZQ735.rcv": parsed, and what passes is written back
// and must parse to the same record.

#include "acquisition/ScanRecovery.h"

#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto r = ParseScanRecovery(std::span<const uint8_t>(data, size));
    if (!r)
        return 0;
    const std::vector<uint8_t> again = SerializeScanRecovery(*r);
    const auto back = ParseScanRecovery(again);
    if (!back || back->Values.size() != r->Values.size())
        std::abort();
    return 0;
}
