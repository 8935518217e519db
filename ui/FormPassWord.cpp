#include "ui/FormPassWord.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include "ui/DialogStyle.h"
#include "ui/Messages.h"

bool CheckPassword(const QString& text)
{
    return text == QStringLiteral("583194");
}

TFormPassWord::TFormPassWord(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FormPassWord"));
    setWindowTitle(QStringLiteral("提示"));
    auto* label = new QLabel(QStringLiteral("输入密码"), this);
    label->setObjectName(QStringLiteral("Label1"));
    EditPassWord = new QLineEdit(this);
    EditPassWord->setObjectName(QStringLiteral("EditPassWord"));
    EditPassWord->setMaxLength(20);
    EditPassWord->setEchoMode(QLineEdit::Password);
    EditPassWord->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));  // '*'
    btnOK = MakeButton(this, QStringLiteral("btnOK"), QStringLiteral("确定"), true);
    btnCancel = MakeButton(this, QStringLiteral("btnCancel"), QStringLiteral("取消"));
    connect(btnOK, &QPushButton::clicked, this, &TFormPassWord::OnOK);
    connect(btnCancel, &QPushButton::clicked, this, &TFormPassWord::reject);

    auto* row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(EditPassWord);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addLayout(buttons);
}

bool TFormPassWord::Execute()
{
    exec();
    return Accepted;
}

void TFormPassWord::showEvent(QShowEvent* event)
{
    if (!event->spontaneous()) {
        EditPassWord->clear();
        EditPassWord->setFocus();
        Accepted = false;
    }
    QDialog::showEvent(event);
}

void TFormPassWord::OnOK()
{
    if (CheckPassword(EditPassWord->text())) {
        Accepted = true;
        accept();
        return;
    }
    ShowWarning(this, QStringLiteral("密码错误"), QStringLiteral("您输入的密码不正确!"));
    EditPassWord->setFocus();
}

void TFormPassWord::reject()
{
    Accepted = false;
    QDialog::reject();
}
