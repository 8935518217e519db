#pragma once
// The curve selector above the plot: a drop-down list whose entries are drawn
// as a short thick line in the colour of the curve they stand for, both in
// the open list and in the closed box. Which colour an entry has is asked
// from the owner each time it is drawn; an entry without colour (its slot is
// empty) draws nothing.

#include <QComboBox>
#include <QStyledItemDelegate>
#include <functional>
#include <optional>

using TEntryColor = std::function<std::optional<QColor>(int entry)>;

class TCurveLineDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    TCurveLineDelegate(TEntryColor colorOf, QObject* parent) : QStyledItemDelegate(parent), FColorOf(colorOf)
    {
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

private:
    TEntryColor FColorOf;
};

class TCurveSelector : public QComboBox {
    Q_OBJECT
public:
    TCurveSelector(TEntryColor colorOf, QWidget* parent = nullptr);

    // The line of one entry across `r`, 2 pixels wide, at its vertical middle.
    static void DrawEntryLine(QPainter& p, const QRect& r, const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TEntryColor FColorOf;
};
