#include "ui/DlgInKeDu.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/DialogStyle.h"
#include "ui/Messages.h"
#include "ui/NumericText.h"
#include "ui/RangeCheck.h"

namespace {

QLineEdit* RangeEdit(QWidget* parent, const char* name)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    InstallNumericFilter(edit);
    return edit;
}

QGroupBox* RangeGroup(QWidget* parent, const QString& title, const QString& fromCaption, QLineEdit* from,
                      const QString& toCaption, QLineEdit* to)
{
    auto* group = new QGroupBox(title, parent);
    auto* grid = new QGridLayout(group);
    grid->addWidget(new QLabel(fromCaption, group), 0, 0);
    grid->addWidget(from, 0, 1);
    grid->addWidget(new QLabel(toCaption, group), 1, 0);
    grid->addWidget(to, 1, 1);
    return group;
}

}  // namespace

TDlgInKeDu::TDlgInKeDu(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("DlgInKeDu"));
    setWindowTitle(QStringLiteral("刻度扩展"));
    RemoveCloseBox(this);

    EditHL = RangeEdit(this, "EditHL");
    EditHH = RangeEdit(this, "EditHH");
    EditZL = RangeEdit(this, "EditZL");
    EditZH = RangeEdit(this, "EditZH");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(RangeGroup(this, QStringLiteral("横坐标"), QStringLiteral("起始波数"), EditHL,
                                 QStringLiteral("终止波数"), EditHH));
    layout->addWidget(RangeGroup(this, QStringLiteral("纵坐标"), QStringLiteral("起始刻度"), EditZL,
                                 QStringLiteral("终止刻度"), EditZH));
    btnOK = MakeButton(this, QStringLiteral("btnOK"), QStringLiteral("确定"), true);
    btnCancel = MakeButton(this, QStringLiteral("btnCancel"), QStringLiteral("取消"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    layout->addLayout(buttons);
    connect(btnOK, &QPushButton::clicked, this, &TDlgInKeDu::OnOK);
    connect(btnCancel, &QPushButton::clicked, this, &TDlgInKeDu::reject);
}

bool TDlgInKeDu::Execute(float xStart, float xEnd, float yStart, float yEnd, const TMeasureParams& p)
{
    FParams = p;
    const std::pair<QLineEdit*, float> shown[] = {
        {EditHL, xStart}, {EditHH, xEnd}, {EditZL, yStart}, {EditZH, yEnd}};
    for (const auto& [edit, v] : shown)
        edit->setText(QString::asprintf("%1.1f", static_cast<double>(v)));
    OK = false;
    exec();
    return OK;
}

void TDlgInKeDu::OnOK()
{
    QLineEdit* const edits[4] = {EditHL, EditHH, EditZL, EditZH};
    float v[4];
    if (!ReadRangeEdits(this, FParams, edits, v))
        return;
    XStart = v[0];
    XEnd = v[1];
    YStart = v[2];
    YEnd = v[3];
    OK = true;
    accept();
}

void TDlgInKeDu::reject()
{
    OK = false;
    QDialog::reject();
}
