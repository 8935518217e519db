#include "ui/FormCanShu.h"
#include "ui/RangeCheck.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <charconv>
#include <cmath>

#include "ui/DialogStyle.h"
#include "ui/Messages.h"
#include "ui/NumericText.h"
#include "ui/RadioGroup.h"
#include "ui/UpDown.h"

namespace {

constexpr int kScanTimeDrive = 2;

template <std::size_t N>
QStringList Texts(const std::array<const char*, N>& table)
{
    QStringList list;
    for (const char* text : table) {
        list << QString::fromUtf8(text);
    }
    return list;
}

QString Fixed1(float v)
{
    return QString::asprintf("%1.1f", static_cast<double>(v));
}

// The shortest plain decimal that reads back as the same float: 1000 shows as
// "1000", 0.1 as "0.1". No exponent, since the edit's filter would mangle it.
QString ShortFloat(float v)
{
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof(buffer), v, std::chars_format::fixed);
    if (result.ec != std::errc()) {
        return QString::number(static_cast<double>(v), 'f', 1);
    }
    return QString::fromLatin1(buffer, result.ptr - buffer);
}

// A float truncated toward zero, written as an integer.
QString TruncatedText(float v)
{
    if (!std::isfinite(v)) {
        return QStringLiteral("0");
    }
    const double whole = std::trunc(static_cast<double>(v)) + 0.0;  // no "-0"
    return QString::number(whole, 'f', 0);
}

QLineEdit* NumberEdit(QWidget* parent, const QString& name, int maxLength, const QString& text)
{
    auto* edit = new QLineEdit(text, parent);
    edit->setObjectName(name);
    edit->setMaxLength(maxLength);
    return edit;
}

}  // namespace

TFormCanShu::TFormCanShu(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FormCanShu"));
    setWindowTitle(QStringLiteral("参数设置"));
    RemoveCloseBox(this);

    rgMMode =
        new TRadioGroup(QStringLiteral("rgMMode"), QStringLiteral("测量模式"), Texts(kModeTexts), 3, this);
    rgSSpeed =
        new TRadioGroup(QStringLiteral("rgSSpeed"), QStringLiteral("扫描速度"), Texts(kSpeedTexts), 5, this);
    rgSlit =
        new TRadioGroup(QStringLiteral("rgSlit"), QStringLiteral("狭缝宽度"), Texts(kSlitTexts), 5, this);
    rgRTime = new TRadioGroup(QStringLiteral("rgRTime"), QStringLiteral("响应时间"), Texts(kResponseTexts), 4,
                              this);
    rgSlit->SetItemIndex(2);
    rgMMode->SetItemIndex(0);
    rgSSpeed->SetItemIndex(1);
    rgRTime->SetItemIndex(0);

    edXs = NumberEdit(this, QStringLiteral("edXs"), 9, QStringLiteral("0"));
    edXe = NumberEdit(this, QStringLiteral("edXe"), 9, QStringLiteral("0"));
    edYs = NumberEdit(this, QStringLiteral("edYs"), 9, QStringLiteral("0"));
    edYe = NumberEdit(this, QStringLiteral("edYe"), 9, QStringLiteral("0"));
    for (QLineEdit* edit : {edXs, edXe, edYs, edYe}) {
        InstallNumericFilter(edit);
    }
    NormalPalette = edXs->palette();

    auto* xGroup = new QGroupBox(QStringLiteral("X—范围"), this);
    xGroup->setObjectName(QStringLiteral("gbXRange"));
    auto* xRow = new QHBoxLayout(xGroup);
    xRow->addWidget(edXs);
    xRow->addWidget(new QLabel(QStringLiteral("—"), xGroup));
    xRow->addWidget(edXe);
    auto* yGroup = new QGroupBox(QStringLiteral("Y—范围"), this);
    yGroup->setObjectName(QStringLiteral("gbYRange"));
    auto* yRow = new QHBoxLayout(yGroup);
    yRow->addWidget(edYs);
    yRow->addWidget(new QLabel(QStringLiteral("—"), yGroup));
    yRow->addWidget(edYe);

    auto* scanGroup = new QGroupBox(QStringLiteral("扫描方式"), this);
    scanGroup->setObjectName(QStringLiteral("gbScanMode"));
    cbScanMode = new QComboBox(scanGroup);
    cbScanMode->setObjectName(QStringLiteral("cbScanMode"));
    cbScanMode->addItems(Texts(kScanModeTexts));
    cbScanMode->setCurrentIndex(0);
    edScanCount = NumberEdit(scanGroup, QStringLiteral("edScanCount"), 2, QStringLiteral("1"));
    edScanCount->setReadOnly(true);
    upScanCount = new TUpDown(QStringLiteral("upScanCount"), edScanCount, 1, 20, scanGroup);
    edScanTime = NumberEdit(scanGroup, QStringLiteral("edScanTime"), 8, QStringLiteral("1"));
    auto* scanGrid = new QGridLayout(scanGroup);
    scanGrid->addWidget(new QLabel(QStringLiteral("方式选择"), scanGroup), 0, 0);
    scanGrid->addWidget(cbScanMode, 0, 1, 1, 3);
    scanGrid->addWidget(new QLabel(QStringLiteral("次数"), scanGroup), 1, 0);
    scanGrid->addWidget(edScanCount, 1, 1);
    scanGrid->addWidget(upScanCount, 1, 2);
    scanGrid->addWidget(new QLabel(QStringLiteral("时间"), scanGroup), 2, 0);
    scanGrid->addWidget(edScanTime, 2, 1);
    scanGrid->addWidget(new QLabel(QStringLiteral("秒"), scanGroup), 2, 2);

    auto* cursorGroup = new QGroupBox(QStringLiteral("光标读取"), this);
    cursorGroup->setObjectName(QStringLiteral("gbCursorRead"));
    chkShowX = new QCheckBox(QStringLiteral("显示位置"), cursorGroup);
    chkShowX->setObjectName(QStringLiteral("chkShowX"));
    chkShowX->setChecked(true);
    chkShowData = new QCheckBox(QStringLiteral("显示测量值"), cursorGroup);
    chkShowData->setObjectName(QStringLiteral("chkShowData"));
    chkShowData->setChecked(true);
    auto* cursorColumn = new QVBoxLayout(cursorGroup);
    cursorColumn->addWidget(chkShowX);
    cursorColumn->addWidget(chkShowData);
    auto* axisGroup = new QGroupBox(QStringLiteral("横坐标方式"), this);
    axisGroup->setObjectName(QStringLiteral("gbAxisMode"));
    ckbNM = new QCheckBox(QStringLiteral("是否按波长方式显示"), axisGroup);
    ckbNM->setObjectName(QStringLiteral("ckbNM"));
    auto* axisColumn = new QVBoxLayout(axisGroup);
    axisColumn->addWidget(ckbNM);

    btnOK = MakeButton(this, QStringLiteral("btnOK"), QStringLiteral("确定"), true);
    btnCancel = MakeButton(this, QStringLiteral("btnCancel"), QStringLiteral("取消"));

    auto* ranges = new QHBoxLayout;
    ranges->addWidget(xGroup);
    ranges->addWidget(yGroup);
    auto* options = new QVBoxLayout;
    options->addWidget(cursorGroup);
    options->addWidget(axisGroup);
    auto* lower = new QHBoxLayout;
    lower->addWidget(scanGroup);
    lower->addLayout(options);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(rgMMode);
    layout->addWidget(rgSSpeed);
    layout->addWidget(rgSlit);
    layout->addWidget(rgRTime);
    layout->addLayout(ranges);
    layout->addLayout(lower);
    layout->addLayout(buttons);

    connect(cbScanMode, &QComboBox::currentIndexChanged, this, &TFormCanShu::OnScanModeChanged);
    connect(edScanTime, &QLineEdit::textChanged, this, &TFormCanShu::OnScanTimeChanged);
    connect(btnOK, &QPushButton::clicked, this, &TFormCanShu::OnOK);
    connect(btnCancel, &QPushButton::clicked, this, &TFormCanShu::reject);

    ApplyScanModeLayout();
}

const TMeasureParams& TFormCanShu::SourceParams(const TMeasureParams& current, const TMeasureParams* slot0)
{
    return slot0 != nullptr && slot0->ScanMode == kScanTimeDrive ? *slot0 : current;
}

void TFormCanShu::LoadParams(const TMeasureParams& p)
{
    Params = p;
    LoadControls();
    Accepted = false;
}

bool TFormCanShu::Execute(const TMeasureParams& p)
{
    LoadParams(p);
    exec();
    return Accepted;
}

bool TFormCanShu::ShowPosition() const
{
    return chkShowX->isChecked();
}

bool TFormCanShu::ShowValue() const
{
    return chkShowData->isChecked();
}

bool TFormCanShu::WavelengthMode() const
{
    return ckbNM->isChecked();
}

void TFormCanShu::LoadControls()
{
    // A record from a damaged file may hold any index: the group then shows
    // no choice, and the list keeps its position.
    rgMMode->SetItemIndex(Params.Mode);
    rgSSpeed->SetItemIndex(Params.Speed);
    rgSlit->SetItemIndex(Params.Slit - 1);
    rgRTime->SetItemIndex(Params.Response);
    edYs->setText(Fixed1(Params.YStart));
    edYe->setText(Fixed1(Params.YEnd));
    if (Params.ScanMode < cbScanMode->count()) {
        cbScanMode->setCurrentIndex(Params.ScanMode);
    }
    edScanCount->setText(QString::number(Params.ScanCount));
    edScanTime->setText(ShortFloat(Params.ScanTime));
    ApplyScanModeLayout();
}

void TFormCanShu::SetGreyed(QLineEdit* edit, bool greyed)
{
    if (greyed) {
        QPalette grey = NormalPalette;
        grey.setColor(QPalette::Base, QColor(192, 192, 192));
        edit->setPalette(grey);
    } else {
        edit->setPalette(NormalPalette);
    }
}

void TFormCanShu::ApplyScanModeLayout()
{
    const bool timeDrive = Params.ScanMode == kScanTimeDrive;
    edXs->setReadOnly(timeDrive);
    edXe->setReadOnly(timeDrive);
    SetGreyed(edXs, timeDrive);
    SetGreyed(edXe, timeDrive);
    upScanCount->setEnabled(!timeDrive);
    SetGreyed(edScanCount, timeDrive);
    edScanTime->setReadOnly(!timeDrive);
    SetGreyed(edScanTime, !timeDrive);
    if (timeDrive) {
        edXs->setText(QStringLiteral("0"));
        edXe->setText(TruncatedText(Params.ScanTime));
    } else {
        edXs->setText(Fixed1(Params.XStart));
        edXe->setText(Fixed1(Params.XEnd));
    }
}

void TFormCanShu::OnScanModeChanged(int index)
{
    if (index < 0) {
        return;
    }
    Params.ScanMode = static_cast<std::uint8_t>(index);
    ApplyScanModeLayout();
}

void TFormCanShu::OnScanTimeChanged()
{
    // Each correction below changes the text, and the change comes back here
    // with the corrected text, which finishes the work.
    if (ApplyNumericFilter(edScanTime)) {
        return;
    }
    const QString text = edScanTime->text();
    if (text.isEmpty() || text == QStringLiteral(".")) {
        edScanTime->setText(QStringLiteral("0"));
        return;
    }
    // In time drive the abscissa end follows the duration as it is typed.
    edXe->setText(text);
}

bool TFormCanShu::ReadControls(TMeasureParams& r)
{
    float xs = 0, xe = 0, ys = 0, ye = 0, count = 0, time = 0;
    const std::pair<QLineEdit*, float*> fields[] = {{edXs, &xs}, {edXe, &xe},           {edYs, &ys},
                                                    {edYe, &ye}, {edScanCount, &count}, {edScanTime, &time}};
    for (const auto& [edit, value] : fields) {
        if (!TextToFloat(edit->text(), *value)) {
            ShowConversionError(this, edit->text());
            edit->setFocus();
            return false;
        }
    }
    // A group with no choice (a damaged record loaded) keeps the record's value.
    if (rgMMode->ItemIndex() >= 0) {
        r.Mode = static_cast<std::uint8_t>(rgMMode->ItemIndex());
    }
    if (rgSSpeed->ItemIndex() >= 0) {
        r.Speed = static_cast<std::uint8_t>(rgSSpeed->ItemIndex());
    }
    if (rgRTime->ItemIndex() >= 0) {
        r.Response = static_cast<std::uint8_t>(rgRTime->ItemIndex());
    }
    if (rgSlit->ItemIndex() >= 0) {
        r.Slit = static_cast<std::uint8_t>(rgSlit->ItemIndex() + 1);
    }
    r.XStart = xs;
    r.XEnd = xe;
    r.YStart = ys;
    r.YEnd = ye;
    r.ScanMode = static_cast<std::uint8_t>(cbScanMode->currentIndex());
    r.ScanCount = static_cast<std::int32_t>(std::clamp(count, -1.0e9f, 1.0e9f));
    r.ScanTime = time;
    return true;
}

QString TFormCanShu::RangeMessage(const TMeasureParams& r, const QString& scanModeText)
{
    return RangeCheckMessage(r, r.XStart, r.XEnd, r.YStart, r.YEnd,
                             scanModeText + QStringLiteral(": 横坐标 起始不能大于终止"),
                             scanModeText + QStringLiteral(": 横坐标的起始不能小于终止"));
}

void TFormCanShu::OnOK()
{
    TMeasureParams r = Params;
    if (!ReadControls(r)) {
        return;
    }
    QString message = RangeMessage(r, cbScanMode->currentText());
    // A longer drive could be measured and saved, but its file could not be
    // opened again.
    if (r.ScanMode == kScanTimeDrive && r.ScanTime > static_cast<float>(kMaxCurvePoints)) {
        const QString time = QStringLiteral("时间超出范围 0 - %1 秒").arg(kMaxCurvePoints);
        message = message.isEmpty() ? time : message + u'\n' + time;
    }
    if (!message.isEmpty()) {
        ShowWarning(this, QStringLiteral("输入的坐标范围不正确"), message);
        return;
    }
    Accepted = true;
    Params = r;
    accept();
}

void TFormCanShu::reject()
{
    Accepted = false;
    QDialog::reject();
}
