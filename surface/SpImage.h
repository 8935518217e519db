#pragma once
// The drawing surface under the spectrum graph and the curves: a canvas and a
// drawing rectangle inside it. All coordinates given to the drawing
// operations are relative to the rectangle's top-left corner.
//
// The canvas is a QPainter. It is either the caller's painter, a painter the
// surface opens on the caller's QImage (the plot picture of the main window),
// or a painter on a small QImage the surface owns (a curve keeps the pixels
// under its cursor marker in one). The painter stays open for the surface's
// lifetime, so drawing operations cost no begin/end; a widget may show the
// caller's image at any time on the same thread.
//
// Not thread-safe: a surface is used on the window thread only.

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPen>
#include <QSize>
#include <QString>
#include <algorithm>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

// A rectangle in the platform's convention: right and bottom are exclusive.
struct TSpRect {
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Right = 0;
    int32_t Bottom = 0;
    int32_t Width() const { return Right - Left; }
    int32_t Height() const { return Bottom - Top; }
};

// Pen styles used by the system.
enum : int {
    SpPenSolid = 0,
    SpPenDash = 1,
    SpPenDot = 2,
    SpPenDashDot = 3,
    SpPenDashDotDot = 4,
    SpPenNull = 5
};

// 0x00BBGGRR <-> QColor.
QColor SpColor(uint32_t bgr);
uint32_t SpColorValue(const QColor& c);
constexpr uint32_t SpRgb(uint32_t r, uint32_t g, uint32_t b)
{
    return r | (g << 8) | (b << 16);
}

// "%.1f" with at most 5 significant digits; values whose integer part needs
// more than 5 digits are written in exponent form ("1.2346E+05").
QString SpFormatNumber(float value);

// The font every surface starts with: the system's CJK font at 12 pixels.
QFont SpDefaultFont();

class TSpImage {
public:
    // A surface over the caller's image; the surface opens its own painter on
    // it, which stays open until the surface is destroyed. The image must
    // outlive the surface and must not be painted by another painter meanwhile.
    TSpImage(void* window, QImage* canvas, int32_t left, int32_t top, int32_t right, int32_t bottom);
    // A surface over the caller's open painter (a printer page, or an image
    // shared with other surfaces). The painter is never ended or freed here.
    TSpImage(void* window, QPainter* canvas, int32_t left, int32_t top, int32_t right, int32_t bottom);
    // A surface with its own bitmap, empty (0 x 0) until SetRect sizes it.
    explicit TSpImage(void* window);
    ~TSpImage();
    TSpImage(const TSpImage&) = delete;
    TSpImage& operator=(const TSpImage&) = delete;

    // Stores the rectangle; a surface with its own bitmap resizes the bitmap
    // to Width() x Height() (its contents become white).
    void SetRect(int32_t left, int32_t top, int32_t right, int32_t bottom);
    int32_t Width() const { return Right - Left; }
    int32_t Height() const { return Bottom - Top; }
    // Size of the whole canvas (0 x 0 when it has no device).
    QSize CanvasSize() const;

    // Drawing state. Pen: lines and outlines. Brush: rectangle fill and the
    // background of opaque text. Font colour: text.
    int SetPenStyle(int style);
    int SetPenColor(uint32_t color);
    void SetBrushColor(uint32_t color);
    void SetFontColor(uint32_t color);
    void SetFontBold(bool bold);
    uint32_t PenColor() const { return PenColorValue; }
    int PenStyle() const { return PenStyleValue; }
    uint32_t BrushColor() const { return BrushColorValue; }
    uint32_t FontColor() const { return FontColorValue; }
    int TextAngle() const { return TextAngleValue; }

    // Moves the surface onto another open painter (not owned), which starts
    // in the surface's initial font and pens like a new surface. A print copy
    // of the graph is set up on a scratch painter, where its construction and
    // range changes draw unseen, and only its finished picture reaches the
    // page. A surface with its own bitmap keeps it.
    void SetCanvas(QPainter* canvas);

    // The painter, for callers that need the font or the device directly (null
    // for an own bitmap of size 0). The surface sets its pen before each of
    // its own operations, so a caller may change the painter's pen freely.
    QPainter* GetCanvas();
    // The image drawn on, when the canvas is an image (else null), with every
    // line drawn so far on it.
    QImage* Bitmap()
    {
        FlushLines();
        return Image;
    }

    // Between BeginLines and EndLines (nested pairs count once) solid lines
    // may reach the image later, at EndLines or before the next operation
    // that draws otherwise: the picture ends the same, pixel for pixel, but
    // many lines over a large image are set band by band, each band staying
    // in the processor's cache. TSpLineBatch pairs them for a scope.
    void BeginLines() { ++LineBatchDepth; }
    void EndLines();

    // Drawing, coordinates relative to the rectangle. Lines are one pixel wide
    // and not antialiased; like the platform's, LineTo leaves the end pixel
    // out (the next line starts there).
    void MoveTo(int32_t x, int32_t y);
    void LineTo(int32_t x, int32_t y)
    {
        const QPoint to(Left + x, Top + y);
        // In a batch, a solid line wholly on a plain image is only queued:
        // a full repaint's usual line, kept free of calls.
        if (DirectState == 1 && PenStyleValue == SpPenSolid && OnBatchImage(PenPos) && OnBatchImage(to))
            QueueLine(PenPos, to);
        else
            DrawLineTo(to);
        PenPos = to;
    }
    // Outline with the pen, fill with the brush; like the platform rectangle,
    // the right column and bottom row (x2, y2) are outside.
    void Rectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
    // Text with the top-left corner of its cell at (x, y) (before rotation).
    void DrawText(int32_t x, int32_t y, const QString& text);
    void DrawText(int32_t x, int32_t y, std::string_view utf8);
    void DrawText(int32_t x, int32_t y, const char* utf8) { DrawText(x, y, std::string_view(utf8)); }
    void DrawNumber(int32_t x, int32_t y, float value);
    // Width and height in pixels of the text in the current font (unrotated).
    QSize TextExtent(const QString& text) const;
    QSize TextExtent(std::string_view utf8) const;
    QSize TextExtent(const char* utf8) const { return TextExtent(std::string_view(utf8)); }
    // Copies rectangle `src` of `source` (in the source's coordinates) into
    // rectangle `dst` of this surface (in this surface's coordinates),
    // stretching when the sizes differ. Both surfaces may be the same one.
    void CopyRect(const TSpRect& dst, const TSpImage& source, const TSpRect& src);
    // Text escapement in tenths of a degree, counter-clockwise (900: the text
    // reads upward). From now on text is drawn without background.
    void SetTextAngle(int angle);

    // Fields, in the order of the platform's surface.
    void* Window = nullptr;  // carried along, never drawn on
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Right = 0;
    int32_t Bottom = 0;

private:
    void InitPainter();
    void ApplyLinePen();
    bool RasterLine(QPoint from, QPoint to);
    void DrawLineTo(QPoint to);
    bool OnBatchImage(QPoint p) const
    {
        return static_cast<unsigned>(p.x()) < static_cast<unsigned>(BatchWidth) &&
               static_cast<unsigned>(p.y()) < static_cast<unsigned>(BatchHeight);
    }
    void QueueLine(QPoint from, QPoint to)
    {
        Pending.push_back({from.x(), from.y(), to.x(), to.y(), PenArgb, std::min(from.x(), to.x()) >> BandShift,
                           std::max(from.x(), to.x()) >> BandShift});
    }
    void FlushLines() const;
    bool DirectPixels() const;
    QString FromUtf8(std::string_view utf8) const
    {
        return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
    }

    std::unique_ptr<QImage> OwnBitmap;     // own bitmap, or null
    std::unique_ptr<QPainter> OwnPainter;  // painter opened by the surface, or null
    QPainter* Canvas = nullptr;            // the painter drawn with
    QImage* Image = nullptr;               // the image under Canvas, when there is one

    uint32_t PenColorValue = 0;
    int PenStyleValue = SpPenSolid;
    uint32_t BrushColorValue = 0x00FFFFFF;
    uint32_t FontColorValue = 0;
    int TextAngleValue = 0;
    bool TextOpaque = true;
    QPen LinePen;
    bool PainterHasLinePen = false;  // the painter's pen is LinePen
    QPoint PenPos;                   // canvas coordinates

    // Lines queued in a batch, all wholly on Image, in drawing order.
    struct TPendingLine {
        int32_t X0, Y0, X1, Y1;
        uint32_t Argb;
        int32_t FirstBand, LastBand;  // bands of columns the line touches
    };
    int LineBatchDepth = 0;
    mutable int DirectState = -1;  // DirectPixels() kept in a batch: 0, 1, or -1 to ask
    mutable int BatchWidth = 0, BatchHeight = 0;  // the image's, while DirectState is 1
    uint32_t PenArgb = 0xFF000000u;               // the pen colour as the image's pixel
    // A band of 256 columns of a picture some 1000 rows high is a megabyte:
    // it stays in the second-level cache while its lines are set.
    static constexpr int BandShift = 8;
    mutable std::vector<TPendingLine> Pending;
};

class TSpLineBatch {
public:
    explicit TSpLineBatch(TSpImage* surface) : Surface(surface)
    {
        if (Surface != nullptr)
            Surface->BeginLines();
    }
    ~TSpLineBatch()
    {
        if (Surface != nullptr)
            Surface->EndLines();
    }
    TSpLineBatch(const TSpLineBatch&) = delete;
    TSpLineBatch& operator=(const TSpLineBatch&) = delete;

private:
    TSpImage* Surface;
};
