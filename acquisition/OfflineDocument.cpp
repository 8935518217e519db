#include "acquisition/OfflineDocument.h"

TOfflineDocument::TOfflineDocument()
{
    FCanvas.fill(Qt::white);
    FSurface = std::make_unique<TSpImage>(nullptr, &FCanvas, 0, 0, FCanvas.width(), FCanvas.height());
    FGraph = std::make_unique<TSpGraph735>(nullptr, FSurface.get());
    FGraph->SetStartRanges();
    // No 100 % baseline: nothing here measures, and "/dev/null/..." is never a file.
    FModel = std::make_unique<TApparaZQ735>(FSink, *FGraph, "/dev/null");
}

TOfflineDocument::~TOfflineDocument()
{
    FModel.reset();
    FGraph.reset();
    FSurface.reset();
}
