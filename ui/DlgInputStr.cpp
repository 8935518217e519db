#include "ui/DlgInputStr.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include "ui/DialogStyle.h"
#include "ui/GbkLengthValidator.h"

TDlgInputStr::TDlgInputStr(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("DlgInputStr"));
    RemoveCloseBox(this);
    SetPrompt(QStringLiteral("输入窗口"));

    edValue = new QLineEdit(this);
    edValue->setObjectName(QStringLiteral("edValue"));
    LimitGbkLength(edValue, kMaxBytes);

    std::tie(btnOK, btnCancel) = LayoutInputDialog(this, edValue);
    connect(btnOK, &QPushButton::clicked, this, &TDlgInputStr::OnOK);
    connect(btnCancel, &QPushButton::clicked, this, &TDlgInputStr::reject);
}

void TDlgInputStr::SetPrompt(const QString& prompt)
{
    SetCaptionQuestion(this, prompt);
}

bool TDlgInputStr::Execute()
{
    exec();
    return Accepted;
}

void TDlgInputStr::showEvent(QShowEvent* event)
{
    if (!event->spontaneous()) {
        edValue->setFocus();
        Accepted = false;
    }
    QDialog::showEvent(event);
}

void TDlgInputStr::OnOK()
{
    if (edValue->text().isEmpty()) {
        return;
    }
    Text = edValue->text();
    Accepted = true;
    accept();
}

void TDlgInputStr::reject()
{
    Accepted = false;
    QDialog::reject();
}
