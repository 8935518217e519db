// JCAMP-DX import: the text read, then put into a model's free curve slot as
// "导入…" does.

#include "acquisition/OfflineDocument.h"
#include "formats/Jcamp.h"
#include "formats/SpectrumCurves.h"
#include "fuzz/FuzzGuiApp.h"

#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::MakeGuiApp();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static TOfflineDocument document;
    std::vector<TSpectrum> spectra;
    std::string error;
    if (!ReadJcampAll(std::string_view(reinterpret_cast<const char*>(data), size), spectra, error))
        return 0;
    document.Model().ClearAll();
    AddSpectraToModel(document.Model(), spectra, error);
    return 0;
}
