#pragma once
// Small settings every dialog of the program shares.

#include <QBoxLayout>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <algorithm>
#include <utility>

class QLineEdit;

// Centred on the desktop of the screen the dialog is on.
inline void CentreOnDesktop(QDialog* dialog)
{
    if (const QScreen* s = dialog->screen())
        dialog->move(s->availableGeometry().center() - dialog->rect().center());
}

// A dialog without a close box in its title bar.
inline void RemoveCloseBox(QDialog* dialog)
{
    dialog->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
}

// The shared input dialogs ask their question in the caption: the dialog is
// made wide enough for the whole of it beside the title bar's own buttons,
// so that the window manager does not cut the question short.
inline void SetCaptionQuestion(QDialog* dialog, const QString& question)
{
    dialog->setWindowTitle(question);
    constexpr int kTitleBarButtons = 120;
    const int wanted = dialog->fontMetrics().horizontalAdvance(question) + kTitleBarButtons;
    dialog->setMinimumWidth(std::max(wanted, 200));
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

// The shared input dialogs: one edit above a row of "确定" (btnOK, default)
// and "取消" (btnCancel); returns the two buttons.
inline std::pair<QPushButton*, QPushButton*> LayoutInputDialog(QDialog* dialog, QLineEdit* edit)
{
    auto* ok = MakeButton(dialog, QStringLiteral("btnOK"), QStringLiteral("确定"), true);
    auto* cancel = MakeButton(dialog, QStringLiteral("btnCancel"), QStringLiteral("取消"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(dialog);
    layout->addWidget(edit);
    layout->addLayout(buttons);
    return {ok, cancel};
}
