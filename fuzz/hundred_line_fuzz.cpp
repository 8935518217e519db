// The 100 % baseline file "BK100.dat", loaded by the model from its data folder.

#include "acquisition/ApparaZQ735.h"
#include "acquisition/MessageSink.h"
#include "fuzz/FuzzGuiApp.h"
#include "fuzz/FuzzSupport.h"
#include "plot/SpGraph735.h"
#include "surface/SpImage.h"

#include <QImage>
#include <memory>

namespace {

class TQuietSink : public TMessageSink {
public:
    void Post(unsigned, intptr_t, intptr_t) override {}
    void ShowError(const std::string&) override {}
};

struct TModel {
    TModel()
    {
        Canvas.fill(Qt::white);
        Surface = std::make_unique<TSpImage>(nullptr, &Canvas, 0, 0, Canvas.width(), Canvas.height());
        Graph = std::make_unique<TSpGraph735>(nullptr, Surface.get());
        Graph->SetStartRanges();
        Model = std::make_unique<TApparaZQ735>(Sink, *Graph, fuzz::ScratchFolder().string());
    }
    TQuietSink Sink;
    QImage Canvas{400, 300, QImage::Format_RGB32};
    std::unique_ptr<TSpImage> Surface;
    std::unique_ptr<TSpGraph735> Graph;
    std::unique_ptr<TApparaZQ735> Model;
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::MakeGuiApp();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static TModel m;
    fuzz::WriteInput("BK100.dat", data, size);
    m.Model->LoadHundredLine();
    return 0;
}
