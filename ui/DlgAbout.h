#pragma once
// The about box: a picture, the program's title, its version and its maker.

#include <QDialog>

class TDlgAbout : public QDialog {
    Q_OBJECT
public:
    explicit TDlgAbout(QWidget* parent = nullptr);
};
