#pragma once
// The program's two kinds of operator message: an information box with an OK
// button (caption: the program's name), and a message box with its own
// caption, an exclamation icon and an OK button. Both are modal and return
// when the operator has closed them.
//
// A box always opens on top of the modal window the operator is facing (the
// detection prompt, which stays on top of every other window, or any other
// dialog), whatever parent the caller names: it takes the input from that
// window, so the operator has to see it, and answer it, first.

#include <QString>

class QMessageBox;
class QWidget;

// The program's name: the main window's caption and that of the information boxes.
QString ProgramTitle();

void ShowInfo(QWidget* parent, const QString& text);
void ShowWarning(QWidget* parent, const QString& caption, const QString& text);

// Gives `box` the window it must open above (see the opening comment); for
// boxes a caller builds itself.
void PlaceMessageBox(QMessageBox& box, QWidget* parent);
