#pragma once
// A pair of arrow buttons that steps the integer shown in a companion edit
// between a lower and an upper limit, without wrapping. The edit's text is
// the position: the arrows read it, step it and write it back, so an edit
// set by the program is stepped from what it shows.

#include <QWidget>

class QLineEdit;
class QToolButton;

class TUpDown : public QWidget {
    Q_OBJECT
public:
    TUpDown(const QString& objectName, QLineEdit* buddy, int min, int max, QWidget* parent = nullptr);

    int Position() const;
    void SetPosition(int position);
    void StepBy(int delta);
    // A new range; the position shown is not touched until it is next set.
    void SetRange(int min, int max)
    {
        Lower = min;
        Upper = max < min ? min : max;
    }
    int Min() const { return Lower; }
    int Max() const { return Upper; }
    QToolButton* UpButton() const { return Up; }
    QToolButton* DownButton() const { return Down; }

private:
    QLineEdit* Buddy;
    int Lower;
    int Upper;
    QToolButton* Up;
    QToolButton* Down;
};
