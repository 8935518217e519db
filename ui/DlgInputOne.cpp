#include "ui/DlgInputOne.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>
#include <algorithm>

#include "ui/DialogStyle.h"
#include "ui/NumericText.h"

TDlgInputOne::TDlgInputOne(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("DlgInputOne"));
    RemoveCloseBox(this);
    SetPrompt(QStringLiteral("输入窗口"));

    edValue = new QLineEdit(QStringLiteral("0"), this);
    edValue->setObjectName(QStringLiteral("edValue"));
    QFont large = edValue->font();
    large.setPixelSize(20);
    edValue->setFont(large);
    InstallNumericFilter(edValue);

    std::tie(btnOK, btnCancel) = LayoutInputDialog(this, edValue);
    connect(btnOK, &QPushButton::clicked, this, &TDlgInputOne::OnOK);
    connect(btnCancel, &QPushButton::clicked, this, &TDlgInputOne::reject);
}

void TDlgInputOne::SetPrompt(const QString& prompt)
{
    SetCaptionQuestion(this, prompt);
}

bool TDlgInputOne::Execute()
{
    exec();
    return Accepted;
}

void TDlgInputOne::showEvent(QShowEvent* event)
{
    if (!event->spontaneous()) {
        edValue->setText(QString::asprintf("%1.*f", std::clamp(Decimals, 0, 20), static_cast<double>(Value)));
        edValue->selectAll();
        edValue->setFocus();
        Accepted = false;
    }
    QDialog::showEvent(event);
}

void TDlgInputOne::OnOK()
{
    const QString text = edValue->text();
    if (text.isEmpty()) {
        return;
    }
    float value = 0.0f;
    if (!TextToFloat(text, value)) {
        ShowConversionError(this, text);
        return;
    }
    Value = value;
    Accepted = true;
    accept();
}

void TDlgInputOne::reject()
{
    Accepted = false;
    QDialog::reject();
}
