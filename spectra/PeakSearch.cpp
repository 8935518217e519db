#include "spectra/SpCurveZQ735.h"

void TSpCurveZQ735::FindPeaks(float, uint8_t, float*, float*, float*, float*, int32_t, int32_t, int32_t& peakCount,
                              int32_t& valleyCount)
{
    // Placeholder until the search lands: nothing is found.
    peakCount = 0;
    valleyCount = 0;
}
