// zq735-icon OUTDIR: draws the program's icon once as SVG and at every size
// the desktop asks for as PNG, from one description, so the two never differ.

#include <QColor>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPointF>
#include <QString>
#include <cstdio>
#include <vector>

namespace {

// The design on a 256 x 256 canvas: a blue tile, a white chart, a
// transmittance trace with three bands.
constexpr double Canvas = 256.0;
const QRectF Tile(16, 16, 224, 224);
constexpr double TileRadius = 40;
const QRectF Chart(40, 52, 176, 152);
constexpr double ChartRadius = 10;
const QColor TileColor(0x1f, 0x4e, 0x79);
const QColor ChartColor(0xff, 0xff, 0xff);
const QColor TraceColor(0xc0, 0x39, 0x2b);
constexpr double TraceWidth = 11;
const std::vector<QPointF> Trace = {{40, 76},  {68, 78},   {84, 160}, {98, 80},  {122, 84},  {136, 184},
                                    {152, 86}, {172, 90},  {184, 136}, {196, 92}, {216, 94}};

QString SvgText()
{
    QString points;
    for (const QPointF& p : Trace)
        points += QStringLiteral("%1,%2 ").arg(p.x()).arg(p.y());
    return QStringLiteral(
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%1\" viewBox=\"0 0 %1 %1\">\n"
               "  <rect x=\"%2\" y=\"%3\" width=\"%4\" height=\"%5\" rx=\"%6\" fill=\"%7\"/>\n"
               "  <rect x=\"%8\" y=\"%9\" width=\"%10\" height=\"%11\" rx=\"%12\" fill=\"%13\"/>\n"
               "  <polyline points=\"%14\" fill=\"none\" stroke=\"%15\" stroke-width=\"%16\" "
               "stroke-linejoin=\"round\" stroke-linecap=\"round\"/>\n"
               "</svg>\n")
        .arg(Canvas)
        .arg(Tile.x())
        .arg(Tile.y())
        .arg(Tile.width())
        .arg(Tile.height())
        .arg(TileRadius)
        .arg(TileColor.name())
        .arg(Chart.x())
        .arg(Chart.y())
        .arg(Chart.width())
        .arg(Chart.height())
        .arg(ChartRadius)
        .arg(ChartColor.name())
        .arg(points.trimmed())
        .arg(TraceColor.name())
        .arg(TraceWidth);
}

QImage Png(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / Canvas, size / Canvas);
    p.setPen(Qt::NoPen);
    p.setBrush(TileColor);
    p.drawRoundedRect(Tile, TileRadius, TileRadius);
    p.setBrush(ChartColor);
    p.drawRoundedRect(Chart, ChartRadius, ChartRadius);
    QPainterPath trace;
    trace.moveTo(Trace.front());
    for (size_t i = 1; i < Trace.size(); ++i)
        trace.lineTo(Trace[i]);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(TraceColor, TraceWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(trace);
    p.end();
    return image;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: zq735-icon OUTDIR\n");
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    QFile svg(dir + QStringLiteral("/zq735.svg"));
    if (!svg.open(QIODevice::WriteOnly | QIODevice::Truncate) || svg.write(SvgText().toUtf8()) < 0) {
        std::fprintf(stderr, "zq735-icon: cannot write %s\n", qPrintable(svg.fileName()));
        return 1;
    }
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString name = dir + QStringLiteral("/zq735-%1.png").arg(size);
        if (!Png(size).save(name, "PNG")) {
            std::fprintf(stderr, "zq735-icon: cannot write %s\n", qPrintable(name));
            return 1;
        }
    }
    return 0;
}
