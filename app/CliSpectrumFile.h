#pragma once
// A spectrum file opened for a cli file command the way the window opens it:
// a graph on an offscreen picture, the instrument model without an engine,
// and the model's own file reader. The caller has made the QGuiApplication.

#include <QImage>
#include <cstdio>
#include <memory>
#include <string>

#include "acquisition/ApparaZQ735.h"
#include "acquisition/MessageSink.h"
#include "app/CliCommand.h"
#include "plot/SpGraph735.h"
#include "spectra/SpCurveZQ735.h"
#include "surface/SpImage.h"
#include "ui/SysConfig.h"

namespace cli {

class TSpectrumFile {
public:
    TSpectrumFile()
    {
        Canvas.fill(Qt::white);
        Surface = std::make_unique<TSpImage>(nullptr, &Canvas, 0, 0, Canvas.width(), Canvas.height());
        Graph = std::make_unique<TSpGraph735>(nullptr, Surface.get());
        Graph->SetStartRanges();
        Model = std::make_unique<TApparaZQ735>(Sink, *Graph, DataFolder().toStdString());
    }
    ~TSpectrumFile()
    {
        // The model refers to the graph, the graph to the surface.
        Model.reset();
        Graph.reset();
        Surface.reset();
    }
    TSpectrumFile(const TSpectrumFile&) = delete;
    TSpectrumFile& operator=(const TSpectrumFile&) = delete;

    // ExitOk, or ExitUsage with the window's message on standard error.
    int Open(const std::string& path)
    {
        const int r = Model->OpenSpectrumFile(path, Date);
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
        for (TSpCurveZQ735* c = Graph->FirstCurve(); c != nullptr; c = Graph->NextCurve()) {
            if (++k == n) {
                if (slot != nullptr)
                    *slot = Graph->IndexOfCurve(c);
                return c;
            }
        }
        return nullptr;
    }

    QImage Canvas{1000, 600, QImage::Format_RGB32};
    std::unique_ptr<TSpImage> Surface;
    std::unique_ptr<TSpGraph735> Graph;
    std::unique_ptr<TApparaZQ735> Model;
    TScanDateTime Date;

private:
    // A model without an engine posts nothing anyone waits for.
    class TQuietSink : public TMessageSink {
    public:
        void Post(unsigned, intptr_t, intptr_t) override {}
        void ShowError(const std::string&) override {}
    };
    TQuietSink Sink;
};

}  // namespace cli
