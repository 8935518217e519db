#include "acquisition/MeasureParams.h"

namespace {

template <std::size_t N>
const char* TextAt(const std::array<const char*, N>& table, int index)
{
    return index >= 0 && static_cast<std::size_t>(index) < N ? table[static_cast<std::size_t>(index)] : "";
}

}  // namespace

const char* ModeText(const TMeasureParams& p)
{
    return TextAt(kModeTexts, p.Mode);
}
const char* SpeedText(const TMeasureParams& p)
{
    return TextAt(kSpeedTexts, p.Speed);
}
const char* SlitText(const TMeasureParams& p)
{
    return TextAt(kSlitTexts, p.Slit - 1);
}
const char* ResponseText(const TMeasureParams& p)
{
    return TextAt(kResponseTexts, p.Response);
}
const char* ScanModeText(const TMeasureParams& p)
{
    return TextAt(kScanModeTexts, p.ScanMode);
}
