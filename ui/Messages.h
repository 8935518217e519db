#pragma once
// The program's two kinds of operator message: an information box with an OK
// button (caption: the program's name), and a message box with its own
// caption, an exclamation icon and an OK button. Both are modal and return
// when the operator has closed them.

#include <QString>

class QWidget;

void ShowInfo(QWidget* parent, const QString& text);
void ShowWarning(QWidget* parent, const QString& caption, const QString& text);
