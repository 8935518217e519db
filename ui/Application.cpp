#include "ui/Application.h"

#include <QApplication>

void InitApplication()
{
    QApplication::setApplicationName(QStringLiteral("zq735"));
}
