#pragma once
// The countdown shown while a command waits for an instrument that does not
// answer. It has no buttons and cannot be closed by the operator; the worker
// ends it.

#include <QDialog>

class QLabel;

class TDlgWaiting : public QDialog {
    Q_OBJECT
public:
    explicit TDlgWaiting(QWidget* parent = nullptr);

    // UM_WAIT phase 0: opens modally with `seconds` remaining (the call
    // returns when EndWaiting has closed the dialog); nothing when it is open
    // already.
    void StartWaiting(int seconds);
    // UM_WAIT phase 1: remaining += delta (the worker sends -1 each second).
    void TickWaiting(int delta);
    // UM_WAIT phase 2: closes the dialog.
    void EndWaiting();

    int Remaining() const { return RemainingSeconds; }
    bool Showing() const { return IsShowing; }
    bool MayClose() const { return MayCloseFlag; }

    // Escape: refused until EndWaiting.
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QLabel* lbRemT;
    int RemainingSeconds = 0;
    bool MayCloseFlag = true;
    bool IsShowing = false;
};
