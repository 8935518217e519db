// zq735-graph-png: renders the empty spectrum graph as the main window sets
// it up (4000 -> 400 cm-1 with the scale change at 2000 cm-1, 0 -> 100) into
// a PNG file, for looking at the frame, labels and grid without a window.
//
//   zq735-graph-png OUT.png [WIDTH HEIGHT]

#include <QGuiApplication>
#include <QImage>
#include <cstdio>
#include <cstdlib>

#include "plot/SpGraph735.h"
#include "surface/SpImage.h"

int main(int argc, char** argv)
{
    if (argc != 2 && argc != 4) {
        std::fprintf(stderr, "usage: %s OUT.png [WIDTH HEIGHT]\n", argv[0]);
        return 2;
    }
    int width = 1000;
    int height = 600;
    if (argc == 4) {
        width = std::atoi(argv[2]);
        height = std::atoi(argv[3]);
        if (width < 1 || height < 1 || width > 10000 || height > 10000) {
            std::fprintf(stderr, "%s: width and height must be 1 ... 10000\n", argv[0]);
            return 2;
        }
    }
    // Rendering needs fonts, not a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    QImage picture(width, height, QImage::Format_RGB32);
    picture.fill(Qt::white);
    {
        TSpImage surface(nullptr, &picture, 0, 0, width, height);
        TSpGraph735 graph(nullptr, &surface);
        graph.SetStartRanges();
        graph.DrawFrame();
    }
    if (!picture.save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
        return 1;
    }
    return 0;
}
