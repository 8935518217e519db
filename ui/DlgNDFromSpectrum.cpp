#include "ui/DlgNDFromSpectrum.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QVBoxLayout>
#include <cmath>

#include "quant/NDTable.h"
#include "ui/DialogStyle.h"
#include "ui/Messages.h"
#include "ui/NumericText.h"

namespace {

QLineEdit* NumberEdit(QWidget* parent, const char* name)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    InstallNumericFilter(edit);
    return edit;
}

}  // namespace

TDlgNDFromSpectrum::TDlgNDFromSpectrum(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("DlgNDFromSpectrum"));
    setWindowTitle(QStringLiteral("从谱图取值"));
    edBand = NumberEdit(this, "edBand");
    edBase1 = NumberEdit(this, "edBase1");
    edBase2 = NumberEdit(this, "edBase2");
    btnOK = MakeButton(this, QStringLiteral("btnOK"), QStringLiteral("确定"), true);
    btnCancel = MakeButton(this, QStringLiteral("btnCancel"), QStringLiteral("取消"));
    connect(btnOK, &QPushButton::clicked, this, &TDlgNDFromSpectrum::OnOK);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("吸收峰波数 (cm-1)"), edBand);
    form->addRow(QStringLiteral("基线起点波数 (cm-1)"), edBase1);
    form->addRow(QStringLiteral("基线终点波数 (cm-1)"), edBase2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
}

bool TDlgNDFromSpectrum::Execute()
{
    edBand->setText(QString::fromStdString(FormatFixed(Places.Band, 1)));
    edBase1->setText(QString::fromStdString(FormatFixed(Places.Base1, 1)));
    edBase2->setText(QString::fromStdString(FormatFixed(Places.Base2, 1)));
    return exec() == QDialog::Accepted;
}

void TDlgNDFromSpectrum::OnOK()
{
    float v[3];
    QLineEdit* edits[3] = {edBand, edBase1, edBase2};
    for (int i = 0; i < 3; ++i) {
        if (!TextToFloat(edits[i]->text(), v[i]) || v[i] < 400.0f || v[i] > 4000.0f) {
            ShowWarning(this, QStringLiteral("提示"), QStringLiteral("波数应在400到4000 cm-1之间"));
            edits[i]->setFocus();
            return;
        }
    }
    if (std::fabs(v[1] - v[2]) < 0.5f) {
        ShowWarning(this, QStringLiteral("提示"), QStringLiteral("基线的两个波数不能相同"));
        edBase2->setFocus();
        return;
    }
    Places.Band = v[0];
    Places.Base1 = v[1];
    Places.Base2 = v[2];
    accept();
}
