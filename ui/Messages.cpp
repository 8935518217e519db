#include "ui/Messages.h"

#include <QApplication>
#include <QMessageBox>

QString ProgramTitle()
{
    return QStringLiteral("ZQ735红外分光光度计");
}

void PlaceMessageBox(QMessageBox& box, QWidget* parent)
{
    // Parented on the window that holds the input, the box is its transient
    // and comes above it; a window that stays on top of all others (the
    // detection prompt) would still cover a box that does not stay on top too.
    QWidget* owner = QApplication::activeModalWidget();
    if (owner == nullptr || owner == &box)
        owner = parent;
    if (owner != box.parentWidget())
        box.setParent(owner, box.windowFlags());
    if (owner != nullptr && owner->window()->windowFlags().testFlag(Qt::WindowStaysOnTopHint))
        box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
}

void ShowInfo(QWidget* parent, const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, ProgramTitle(), text, QMessageBox::Ok);
    PlaceMessageBox(box, parent);
    box.exec();
}

void ShowWarning(QWidget* parent, const QString& caption, const QString& text)
{
    QMessageBox box(QMessageBox::Warning, caption, text, QMessageBox::Ok);
    PlaceMessageBox(box, parent);
    box.exec();
}
