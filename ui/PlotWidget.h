#pragma once
// The plot area of the main window. It shows the graph's picture at one
// picture pixel per screen pixel from its top-left corner, draws the zoom
// rubber band over it, and reports the mouse in picture pixels. A change of
// its size is reported once the size has stopped changing, so that dragging
// a window edge rebuilds the picture once, not on every step.

#include <QRect>
#include <QTimer>
#include <QWidget>

class QImage;

class TPlotWidget : public QWidget {
    Q_OBJECT
public:
    explicit TPlotWidget(QWidget* parent = nullptr);

    // The picture to show (null: a white area). Not owned; the widget only
    // reads it when it paints.
    void SetPicture(const QImage* picture);

    // The rubber band: a dotted outline between two corners, drawn on top
    // of the picture. Hiding it leaves the picture untouched.
    void SetBand(bool shown, const QRect& corners);
    bool BandShown() const { return FBandShown; }
    QRect Band() const { return FBand; }

    // Mouse buttons as the graph numbers them.
    enum : int { LeftButton = 0, RightButton = 1, MiddleButton = 2 };

signals:
    void MouseMoved(int x, int y);
    void MousePressed(int button, int x, int y);
    void MouseReleased(int button, int x, int y);
    // The widget has kept a new size for a short while.
    void SizeSettled(QSize size);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    const QImage* FPicture = nullptr;
    bool FBandShown = false;
    QRect FBand;
    QTimer FSettle;
};
