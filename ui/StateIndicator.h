#pragma once
// The instrument state lamp in the last panel of the status bar: a filled
// square with a black outline. Before it paints, it tells its owner where it
// is being drawn (the owner re-applies the command enabling from there).

#include <QColor>
#include <QWidget>
#include <functional>

class TStateIndicator : public QWidget {
    Q_OBJECT
public:
    explicit TStateIndicator(QWidget* parent = nullptr);

    void SetFill(const QColor& fill);
    QColor Fill() const { return FFill; }
    // Called at the start of every paint with the rectangle painted.
    std::function<void(const QRect&)> OnDraw;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor FFill{128, 128, 128};
};
