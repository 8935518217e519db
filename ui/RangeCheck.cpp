#include "ui/RangeCheck.h"

#include <QLineEdit>

#include "ui/Messages.h"
#include "ui/NumericText.h"

namespace {

QString Fixed41(float v)
{
    return QString::asprintf("%4.1f", static_cast<double>(v));
}

}  // namespace

QString ApplyRangesMessage(const TMeasureParams& p, float xs, float xe, float ys, float ye)
{
    return RangeCheckMessage(p, xs, xe, ys, ye, QStringLiteral("时间驱动扫描方式下 横坐标的起始不能大于终止"),
                             QStringLiteral("光谱扫描方式下 横坐标的起始不能小于终止"));
}

QString RangeCheckMessage(const TMeasureParams& p, float xs, float xe, float ys, float ye,
                          const QString& timeDriveOrder, const QString& scanOrder)
{
    const bool timeDrive = p.ScanMode == 2;
    const float xMin = timeDrive ? 0.0f : 400.0f;
    const float xMax = timeDrive ? p.ScanTime : 4000.0f;
    const QString xUnit = timeDrive ? QStringLiteral(" 秒") : QStringLiteral(" cm-1");
    const bool abs = p.Mode == 1;
    const float yMin = abs ? -4.0f : -400.0f;
    const float yMax = abs ? 4.0f : 400.0f;
    const QString yUnit = abs ? QStringLiteral(" A") : QStringLiteral(" %");

    auto outside = [](float v, float lo, float hi) { return v > hi || v < lo; };
    QString xPart, yPart, yOrder, xOrder;
    if (outside(xs, xMin, xMax) || outside(xe, xMin, xMax))
        xPart =
            QStringLiteral("X坐标超出范围 ") + Fixed41(xMax) + QStringLiteral(" - ") + Fixed41(xMin) + xUnit;
    if (outside(ys, yMin, yMax) || outside(ye, yMin, yMax))
        yPart =
            QStringLiteral("Y坐标超出范围 ") + Fixed41(yMin) + QStringLiteral(" - ") + Fixed41(yMax) + yUnit;
    if (ys > ye)
        yOrder = QStringLiteral("纵坐标 起始不能大于终止");
    if (timeDrive) {
        if (xs > xe)
            xOrder = timeDriveOrder;
    } else if (xs < xe) {
        xOrder = scanOrder;
    }
    if (xPart.isEmpty() && yPart.isEmpty() && yOrder.isEmpty() && xOrder.isEmpty())
        return QString();
    return xPart + u'\n' + yPart + u'\n' + yOrder + u'\n' + xOrder;
}

bool GotoTargetValid(float x)
{
    return x >= kGotoMin && x <= kGotoMax;
}

QString GotoRangeMessage()
{
    return QStringLiteral("波数范围从") + QString::asprintf("%4.1f", static_cast<double>(kGotoMax)) +
           QStringLiteral("到") + QString::asprintf("%4.1f", static_cast<double>(kGotoMin)) +
           QStringLiteral("cm-1");
}

bool ReadRangeEdits(QWidget* parent, const TMeasureParams& p, QLineEdit* const (&edits)[4], float (&v)[4])
{
    for (QLineEdit* e : edits) {
        if (e->text().isEmpty())
            return false;
    }
    for (int i = 0; i < 4; ++i) {
        if (!TextToFloat(edits[i]->text(), v[i])) {
            ShowConversionError(parent, edits[i]->text());
            return false;
        }
    }
    const QString message = ApplyRangesMessage(p, v[0], v[1], v[2], v[3]);
    if (!message.isEmpty()) {
        ShowWarning(parent, QStringLiteral("输入的坐标范围不正确"), message);
        return false;
    }
    return true;
}
