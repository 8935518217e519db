#include "ui/CurveSelector.h"

#include <QPainter>
#include <QStylePainter>

void TCurveSelector::DrawEntryLine(QPainter& p, const QRect& r, const QColor& color)
{
    const int y = r.top() + r.height() / 2;
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.fillRect(QRect(r.left() + 3, y - 1, std::max(r.width() - 6, 0), 2), color);
    p.restore();
}

void TCurveLineDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const
{
    // The selection highlight of the list, without the entry's text.
    QStyleOptionViewItem bare = option;
    initStyleOption(&bare, index);
    bare.text.clear();
    QStyledItemDelegate::paint(painter, bare, QModelIndex());
    if (const std::optional<QColor> c = FColorOf ? FColorOf(index.row()) : std::nullopt)
        TCurveSelector::DrawEntryLine(*painter, option.rect, *c);
}

TCurveSelector::TCurveSelector(TEntryColor colorOf, QWidget* parent) : QComboBox(parent), FColorOf(colorOf)
{
    setItemDelegate(new TCurveLineDelegate(colorOf, this));
}

void TCurveSelector::paintEvent(QPaintEvent*)
{
    QStylePainter p(this);
    QStyleOptionComboBox opt;
    initStyleOption(&opt);
    opt.currentText.clear();
    opt.currentIcon = QIcon();
    p.drawComplexControl(QStyle::CC_ComboBox, opt);
    const QRect field =
        style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, this);
    if (currentIndex() >= 0 && FColorOf) {
        if (const std::optional<QColor> c = FColorOf(currentIndex()))
            DrawEntryLine(p, field, *c);
    }
}
