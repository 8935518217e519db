#pragma once
// The system reset progress window. It follows the phases the task engine
// announces (slit, wavelength, filter, zero shutter): the first phase opens
// it modally, each phase restarts the progress bar and shows its step
// caption, each phase end shows "正确" or "错误" beside it, and the end of the
// reset holds the final display for a second before the window closes.

#include <QDialog>
#include <QTimer>
#include <array>

class QLabel;
class QProgressBar;
class QPushButton;

class TFormSysInitInfo : public QDialog {
    Q_OBJECT
public:
    explicit TFormSysInitInfo(QWidget* parent = nullptr);

    static constexpr int kShortHeight = 120;
    static constexpr int kTallHeight = 300;
    static constexpr int kHoldMs = 1000;

    // One UM_RESET_PROGRESS message: type 0 a phase of `kind` starts with
    // `value` steps at most (the first one after a completed reset opens the
    // window modally: the call returns when the window has closed); 1 `value`
    // steps made; 2 the phase of `kind` ended with result `value` (negative or
    // 210: "错误"); 3 the reset ended: the window closes kHoldMs later.
    void ShowResetProgress(int type, int kind, int value);

    bool NeedsReset() const { return NeedsResetFlag; }
    // Step caption and result label of a step kind (1 wavelength, 2 filter,
    // 3 slit, 4 zero shutter, 5 light source); null for other kinds.
    QLabel* StepCaption(int kind) const;
    QLabel* StepResult(int kind) const;
    QProgressBar* Progress() const { return ProgressBar1; }

    // The "细节"/"隐藏" button: toggles the client height between 120 and 300.
    void ToggleDetails();

    // Escape: refused; only the end of the reset closes the window.
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void ClearSteps();

    std::array<QLabel*, 5> Captions{};
    std::array<QLabel*, 5> Results{};
    QProgressBar* ProgressBar1;
    QPushButton* Button1;
    QTimer CloseTimer;
    bool NeedsResetFlag = true;
};
