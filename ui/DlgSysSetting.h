#pragma once
// The system settings: grating motor type, stray-light correction and the
// debug switch (which lets the instrument commands run without an
// instrument).

#include <QDialog>

#include "ui/SysConfig.h"

class QCheckBox;
class QPushButton;
class TFormPassWord;
class TRadioGroup;

class TDlgSysSetting : public QDialog {
    Q_OBJECT
public:
    explicit TDlgSysSetting(QWidget* parent = nullptr);

    bool Accepted = false;

    // Shows `settings` in the controls and the dialog modally; when the
    // operator accepts, the controls' values are written back (check boxes
    // as 0 or 1). Returns Accepted.
    bool EditSettings(TSysSettings& settings);

    // Escape and "取消".
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    TRadioGroup* RGMotorS;
    QCheckBox* CBZSG;
    QCheckBox* CBDebug;
    QPushButton* btnOK;
    QPushButton* btnCancel;
};

// The command "系统参数设置...": asks for the password, shows the settings
// dialog with `settings` (the caller fills them from the instrument model's
// system block and its own debug switch) and, when the operator accepts,
// stores the new values in `settings`, writes ZQ735.cfg into DataFolder() and
// tells the operator whether that worked. Returns true when new settings were
// accepted; the caller then puts them into the instrument model and its own
// debug switch and updates the instrument commands. A failed write still
// returns true: the settings hold until the program ends.
bool RunSysSettingsCommand(TFormPassWord& password, TDlgSysSetting& dialog, TSysSettings& settings,
                           QWidget* parent = nullptr);
