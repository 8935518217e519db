// A spectrum file (*.ir) opened into the model and its graph, as "打开" does.

#include "acquisition/OfflineDocument.h"
#include "fuzz/FuzzGuiApp.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::MakeGuiApp();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // One document for the whole run, as the window keeps one: opening
    // clears what the file before left.
    static TOfflineDocument document;
    const std::string path = fuzz::WriteInput("input.ir", data, size);
    TScanDateTime date{};
    document.Model().OpenSpectrumFile(path, date);
    return 0;
}
