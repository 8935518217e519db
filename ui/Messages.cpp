#include "ui/Messages.h"

#include <QApplication>
#include <QMessageBox>

void ShowInfo(QWidget* parent, const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, QApplication::applicationDisplayName(), text, QMessageBox::Ok,
                    parent);
    box.exec();
}

void ShowWarning(QWidget* parent, const QString& caption, const QString& text)
{
    QMessageBox box(QMessageBox::Warning, caption, text, QMessageBox::Ok, parent);
    box.exec();
}
