#pragma once
// A spectrum file opened for a cli file command the way the window opens it,
// with the window's messages for a file it cannot open.

#include <QImage>
#include <cstdio>
#include <memory>
#include <string>

#include "acquisition/ApparaZQ735.h"
#include "acquisition/OfflineDocument.h"
#include "app/CliCommand.h"
#include "plot/SpGraph735.h"
#include "spectra/SpCurveZQ735.h"
#include "surface/SpImage.h"
#include "ui/SysConfig.h"

namespace cli {

class TSpectrumFile : public TOfflineDocument {
public:
    // ExitOk, or ExitUsage with the window's message on standard error.
    int Open(const std::string& path)
    {
        const int r = Model().OpenSpectrumFile(path, Date);
        if (r == -1) {
            std::fprintf(stderr, "zq735-cli: 无法打开文件 %s\n", path.c_str());
            return ExitUsage;
        }
        if (r == -2) {
            std::fprintf(stderr, "zq735-cli: 不是光谱文件 %s\n", path.c_str());
            return ExitUsage;
        }
        return ExitOk;
    }

    // The n-th curve of the file (1-based, in slot order), or null.
    TSpCurveZQ735* Curve(int n, int* slot = nullptr)
    {
        int k = 0;
        for (TSpCurveZQ735* c = Graph().FirstCurve(); c != nullptr; c = Graph().NextCurve()) {
            if (++k == n) {
                if (slot != nullptr)
                    *slot = Graph().IndexOfCurve(c);
                return c;
            }
        }
        return nullptr;
    }

};

}  // namespace cli
