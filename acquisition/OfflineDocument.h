#pragma once
// The graph and the instrument model without a window or an instrument: for
// programs that open, convert and save spectrum files (zq735-cli's file
// commands). Fonts are measured, so a QGuiApplication must exist.

#include "acquisition/ApparaZQ735.h"
#include "acquisition/MessageSink.h"
#include "plot/SpGraph735.h"
#include "surface/SpImage.h"

#include <QImage>
#include <memory>

class TOfflineDocument {
public:
    TOfflineDocument();
    ~TOfflineDocument();
    TOfflineDocument(const TOfflineDocument&) = delete;
    TOfflineDocument& operator=(const TOfflineDocument&) = delete;

    TApparaZQ735& Model() { return *FModel; }
    TSpGraph735& Graph() { return *FGraph; }
    const TSpGraph735& Graph() const { return *FGraph; }
    // The graph's picture, as the window would show it.
    const QImage& Picture() const { return FCanvas; }
    TScanDateTime Date;

private:
    class TQuietSink : public TMessageSink {
    public:
        void Post(unsigned, intptr_t, intptr_t) override {}
        void ShowError(const std::string&) override {}
    };
    TQuietSink FSink;
    QImage FCanvas{1000, 600, QImage::Format_RGB32};
    std::unique_ptr<TSpImage> FSurface;
    std::unique_ptr<TSpGraph735> FGraph;
    std::unique_ptr<TApparaZQ735> FModel;
};
