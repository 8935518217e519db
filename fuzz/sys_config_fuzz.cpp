// The configuration file "ZQ735.cfg", read from the data folder as at start-up.

#include "fuzz/FuzzSupport.h"
#include "ui/SysConfig.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    SetDataFolder(QString::fromStdString(fuzz::ScratchFolder().string()));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::WriteInput(kConfigFileName, data, size);
    TSysSettings settings;
    ReadConfig(QString::fromLatin1(kConfigFileName), settings);
    return 0;
}
