#pragma once
// Small settings every dialog of the program shares.

#include <QDialog>
#include <QPushButton>

class QLineEdit;

// A dialog without a close box in its title bar.
inline void RemoveCloseBox(QDialog* dialog)
{
    dialog->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
}

// A push button with a caption and an object name; `isDefault` makes it the
// button Enter presses.
inline QPushButton* MakeButton(QWidget* parent, const QString& objectName, const QString& caption,
                               bool isDefault = false)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(objectName);
    button->setAutoDefault(isDefault);
    button->setDefault(isDefault);
    return button;
}
