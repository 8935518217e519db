#pragma once
// The curve chooser of the arithmetic and delete dialogs: an owner-drawn list
// with one entry per curve on the graph, drawn as a line in the curve's
// colour, and five labels beside "名称", "模式", "速度", "狭缝", "响应"
// describing the chosen curve from its slot's measurement record.

#include <QGroupBox>
#include <array>
#include <cstdint>

class QLabel;
class TApparaZQ735;
class TCurveSelector;
class TSpCurveZQ735;
class TSpGraph735;

class TCurvePicker : public QGroupBox {
    Q_OBJECT
public:
    static constexpr int Slots = 20;

    // The controls get the names `comboName` and lbCurveName<suffix>,
    // lbCurMMode<suffix>, lbCurScanSpeed<suffix>, lbCurSlit<suffix>,
    // lbCurRTime<suffix>.
    TCurvePicker(const QString& title, const char* comboName, const char* suffix, QWidget* parent);

    // One entry per curve in ascending slot order, the first chosen.
    void Fill(TSpGraph735* graph);
    // The labels: the chosen curve's name and settings, or "(空)" (disabled)
    // when `active` is false or there is no such curve or record.
    void RefreshLabels(TApparaZQ735* model, bool active = true);
    // The slot of the chosen entry, -1 for none.
    int Slot() const;
    int Count() const;
    TSpCurveZQ735* Curve() const;
    TCurveSelector* Combo() const { return FCombo; }

signals:
    // The operator chose another entry.
    void Chosen();

private:
    TSpGraph735* FGraph = nullptr;
    std::array<int32_t, Slots> FSlot{};
    std::array<uint32_t, Slots> FColor{};
    TCurveSelector* FCombo;
    std::array<QLabel*, 5> FLabels{};
};
