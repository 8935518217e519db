#include "ui/CurvePicker.h"

#include <QGridLayout>
#include <QLabel>

#include "acquisition/ApparaZQ735.h"
#include "plot/SpGraph735.h"
#include "spectra/SpCurveZQ735.h"
#include "text/GbkText.h"
#include "ui/CurveSelector.h"

namespace {

QColor ColorOf(uint32_t bgr)
{
    return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                  static_cast<int>((bgr >> 16) & 0xFF));
}

}  // namespace

TCurvePicker::TCurvePicker(const QString& title, const char* comboName, const char* suffix, QWidget* parent)
    : QGroupBox(title, parent)
{
    FSlot.fill(-1);
    FColor.fill(0x00FF0000u);
    FCombo = new TCurveSelector(
        [this](int entry) -> std::optional<QColor> {
            if (entry < 0 || entry >= Slots || FSlot[static_cast<size_t>(entry)] < 0)
                return std::nullopt;
            return ColorOf(FColor[static_cast<size_t>(entry)]);
        },
        this);
    FCombo->setObjectName(QString::fromLatin1(comboName));
    FCombo->setMinimumWidth(120);
    auto* grid = new QGridLayout(this);
    grid->addWidget(FCombo, 0, 0, 1, 2);
    const char* captions[5] = {"名称", "模式", "速度", "狭缝", "响应"};
    const char* names[5] = {"lbCurveName", "lbCurMMode", "lbCurScanSpeed", "lbCurSlit", "lbCurRTime"};
    for (int i = 0; i < 5; ++i) {
        grid->addWidget(new QLabel(QString::fromUtf8(captions[i]), this), i + 1, 0);
        auto* label = new QLabel(QStringLiteral("(空)"), this);
        label->setObjectName(QString::fromLatin1(names[i]) + QString::fromLatin1(suffix));
        label->setMinimumWidth(100);
        grid->addWidget(label, i + 1, 1);
        FLabels[static_cast<size_t>(i)] = label;
    }
    connect(FCombo, &QComboBox::activated, this, [this] {
        // The keys leave the list once a curve is chosen.
        if (QWidget* f = window()->focusWidget())
            f->clearFocus();
        emit Chosen();
    });
}

void TCurvePicker::Fill(TSpGraph735* graph)
{
    FGraph = graph;
    FSlot.fill(-1);
    FColor.fill(0x00FF0000u);
    const QSignalBlocker quiet(FCombo);
    FCombo->clear();
    int n = 0;
    if (graph != nullptr) {
        for (int slot = 0; slot < TSpGraph735::SlotCount && n < Slots; ++slot) {
            if (TSpCurveZQ735* c = graph->CurveAt(slot)) {
                FSlot[static_cast<size_t>(n)] = slot;
                FColor[static_cast<size_t>(n)] = c->GetColor();
                FCombo->addItem(QString::number(n));
                ++n;
            }
        }
    }
    FCombo->setCurrentIndex(n > 0 ? 0 : -1);
    FCombo->update();
}

int TCurvePicker::Slot() const
{
    const int entry = FCombo->currentIndex();
    return entry >= 0 && entry < Slots ? FSlot[static_cast<size_t>(entry)] : -1;
}

int TCurvePicker::Count() const { return FCombo->count(); }

TSpCurveZQ735* TCurvePicker::Curve() const
{
    return FGraph != nullptr ? FGraph->CurveAt(Slot()) : nullptr;
}

void TCurvePicker::RefreshLabels(TApparaZQ735* model, bool active)
{
    const int slot = Slot();
    TSpCurveZQ735* c = active ? Curve() : nullptr;
    const TMeasureParams* p = c != nullptr && model != nullptr ? model->ParamsOfSlot(slot) : nullptr;
    if (p == nullptr) {
        for (QLabel* l : FLabels) {
            l->setText(QStringLiteral("(空)"));
            l->setEnabled(false);
        }
        return;
    }
    const QString texts[5] = {QString::fromStdString(GbkFieldToUtf8(c->GetInfo().Name)),
                              QString::fromUtf8(ModeText(*p)), QString::fromUtf8(SpeedText(*p)),
                              QString::fromUtf8(SlitText(*p)), QString::fromUtf8(ResponseText(*p))};
    for (size_t i = 0; i < FLabels.size(); ++i) {
        FLabels[i]->setText(texts[i]);
        FLabels[i]->setEnabled(true);
    }
}
