#pragma once
// The instrument detection prompt. It opens while the instrument is being
// looked for (mode 0: no buttons, cannot be closed), when it has been found
// and may be reset (mode 1), and when it was not found or has been lost
// (mode 3: "确定" searches again). An open prompt changes its text and
// buttons in place when a later state message picks another mode.

#include <QDialog>
#include <cstdint>

class QLabel;
class QPushButton;

class TFormSysReset : public QDialog {
    Q_OBJECT
public:
    explicit TFormSysReset(QWidget* parent = nullptr);

    // The prompt's text for a mode (mode 3 says the same as mode 0).
    static QString PromptText(int mode);

    // Stores the mode and shows its text; the buttons are visible unless the
    // mode is 0. Works on the open window too.
    void SetResetPrompt(int mode);

    // What the main window does with a reset request r (from
    // ResetRequestForState): gives the window mode 0 for r = 5, else r; when
    // the window is already open, returns 0 (the call that opened it acts on
    // the answer); otherwise shows it modally and returns the mode it had when
    // the operator pressed "确定", or 0.
    int ShowResetDialog(int request);

    // Shows the window modally as it is; returns Mode() when closed with
    // "确定", else 0.
    int Execute();

    int Mode() const { return PromptMode; }
    bool Confirmed() const { return IsConfirmed; }
    bool Showing() const { return IsShowing; }

    // Escape and "取消": refused in mode 0.
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QLabel* Label1;
    QPushButton* btnOK;
    QPushButton* btnCancel;
    int PromptMode = 0;
    bool IsConfirmed = false;
    bool IsShowing = false;
};

// The reset request the main window derives from an instrument state message
// (state s after state `old`): 3 when the instrument was lost (s = 0 after a
// non-zero state), 5 while it is being checked (s = 1), 1 when it has turned
// up (any other s after 0 or 1), else 0 (nothing to ask).
int ResetRequestForState(std::uint8_t old, std::uint8_t s);
