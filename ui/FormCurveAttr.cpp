#include "ui/FormCurveAttr.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <cstring>
#include <mutex>

#include "spectra/SpCurveZQ735.h"
#include "text/GbkText.h"
#include "ui/DialogStyle.h"
#include "ui/GbkLengthValidator.h"

TFormCurveAttr::TFormCurveAttr(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FormCurveAttr"));
    setWindowTitle(QStringLiteral("谱线参数"));
    RemoveCloseBox(this);

    auto named = [](auto* w, const char* name) {
        w->setObjectName(QString::fromLatin1(name));
        return w;
    };
    edCurveName = named(new QLineEdit(this), "edCurveName");
    LimitGbkLength(edCurveName, kNameBytes);
    lbCurMMode = named(new QLabel(this), "lbCurMMode");
    lbCurScanSpeed = named(new QLabel(this), "lbCurScanSpeed");
    lbCurSlit = named(new QLabel(this), "lbCurSlit");
    lbCurRTime = named(new QLabel(this), "lbCurRTime");
    edPihao = named(new QLineEdit(this), "edPihao");
    LimitGbkLength(edPihao, kBatchBytes);
    lbNote = named(new QLabel(this), "lbNote");
    moNote = named(new QPlainTextEdit(this), "moNote");
    btnOK = MakeButton(this, QStringLiteral("btnOK"), QStringLiteral("确定"), true);
    btnCancel = MakeButton(this, QStringLiteral("btnCancel"), QStringLiteral("取消"));

    auto* grid = new QGridLayout;
    const std::pair<const char*, QWidget*> rows[] = {{"名称", edCurveName}, {"模式", lbCurMMode},
                                                     {"速度", lbCurScanSpeed}, {"狭缝", lbCurSlit},
                                                     {"响应", lbCurRTime}, {"批号", edPihao}};
    int r = 0;
    for (const auto& [caption, w] : rows) {
        grid->addWidget(new QLabel(QString::fromUtf8(caption), this), r, 0);
        grid->addWidget(w, r, 1);
        ++r;
    }
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(lbNote);
    layout->addWidget(moNote);
    layout->addLayout(buttons);
    resize(420, 380);

    connect(btnOK, &QPushButton::clicked, this, [this] {
        Result = true;
        accept();
    });
    connect(btnCancel, &QPushButton::clicked, this, &TFormCurveAttr::reject);
}

std::string TFormCurveAttr::NoteFromMemo(const QString& memo)
{
    if (memo.isEmpty())
        return std::string();
    QStringList lines = memo.split(u'\n');
    // A line break at the very end closes the last line; it opens none.
    if (lines.size() > 1 && lines.back().isEmpty())
        lines.removeLast();
    std::string note;
    for (const QString& line : lines)
        note += line.toStdString() + "\r\n";
    return note;
}

QString TFormCurveAttr::MemoFromNote(const std::string& note)
{
    QString text = QString::fromStdString(note);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (text.endsWith(u'\n'))
        text.chop(1);
    return text;
}

bool TFormCurveAttr::Execute(TSpCurveZQ735* curve, TMeasureParams* params)
{
    if (params != nullptr)
        std::memcpy(&FParams, params, sizeof FParams);
    const bool usable = curve != nullptr && params != nullptr;
    const QString empty = QStringLiteral("(空)");
    lbNote->setText(QStringLiteral("注释（") + QString::number(kNoteBytes) + QStringLiteral("个字符）"));
    QWidget* const controls[] = {edCurveName, lbCurMMode, lbCurScanSpeed, lbCurSlit,
                                 lbCurRTime,  edPihao,    lbNote,         moNote};
    for (QWidget* w : controls)
        w->setEnabled(usable);
    if (usable) {
        edCurveName->setText(QString::fromStdString(GbkFieldToUtf8(curve->GetInfo().Name)));
        lbCurMMode->setText(QString::fromUtf8(ModeText(FParams)));
        lbCurScanSpeed->setText(QString::fromUtf8(SpeedText(FParams)));
        lbCurSlit->setText(QString::fromUtf8(SlitText(FParams)));
        lbCurRTime->setText(QString::fromUtf8(ResponseText(FParams)));
        edPihao->setText(QString::fromStdString(GbkFieldToUtf8(FParams.BatchNo)));
        moNote->setPlainText(MemoFromNote(GbkFieldToUtf8(FParams.Note)));
    } else {
        // "(空)" is shown as it is, not held to the edits' limits.
        for (QLineEdit* e : {edCurveName, edPihao}) {
            const QValidator* v = e->validator();
            e->setValidator(nullptr);
            e->setText(empty);
            e->setValidator(v);
        }
        for (QLabel* l : {lbCurMMode, lbCurScanSpeed, lbCurSlit, lbCurRTime})
            l->setText(empty);
        moNote->setPlainText(empty);
    }
    Result = false;
    exec();
    if (!Result || !usable)
        return false;
    {
        std::lock_guard lock(curve->Mutex);
        const std::string gbk = Utf8ToGbk(edCurveName->text().toStdString());
        SetGbkField(curve->Info.Name, GbkToUtf8(gbk.substr(0, GbkFitLength(gbk, kNameBytes))));
    }
    SetGbkField(FParams.BatchNo, edPihao->text().toStdString());
    SetGbkField(FParams.Note, NoteFromMemo(moNote->toPlainText()));
    std::memcpy(params, &FParams, sizeof FParams);
    return true;
}

void TFormCurveAttr::reject()
{
    Result = false;
    QDialog::reject();
}
