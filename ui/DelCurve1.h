#pragma once
// "删除曲线": removes curves from the graph one by one. The dialog stays open
// for further deletions; "确定" closes it.

#include <QDialog>
#include <functional>

class QPushButton;
class TApparaZQ735;
class TCurvePicker;
class TSpGraph735;

class TDelCurve1 : public QDialog {
    Q_OBJECT
public:
    explicit TDelCurve1(QWidget* parent = nullptr);

    // Fills the list and shows the dialog modally. `beforeDelete` runs with
    // the slot just before its curve goes (the window keeps it for undo).
    void Open(TApparaZQ735& model, TSpGraph735& graph, const std::function<void(int slot)>& beforeDelete = {});

    TCurvePicker* Picker() const { return FPicker; }

private:
    void Fill();
    void OnDelete();

    TApparaZQ735* FModel = nullptr;
    TSpGraph735* FGraph = nullptr;
    std::function<void(int)> FBeforeDelete;
    TCurvePicker* FPicker;
    QPushButton* btnDel;
    QPushButton* btnOK;
};
