#include "ui/NumericText.h"

#include "text/NumberText.h"

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>

#include "ui/Messages.h"

namespace {

std::function<void()>& BeepHook()
{
    static std::function<void()> hook;
    return hook;
}

void Beep()
{
    if (BeepHook()) {
        BeepHook()();
    } else {
        QApplication::beep();
    }
}

bool Passes(QChar c, int position, bool& pointSeen)
{
    if (c == u'+' || c == u'-') {
        return position == 0;
    }
    if (c == u'.') {
        if (pointSeen) {
            return false;
        }
        pointSeen = true;
        return true;
    }
    return c >= u'0' && c <= u'9';
}

// Filters and reports how many characters before `caret` were dropped, so
// the caret can stay behind the character the operator just typed.
QString Filter(const QString& text, int caret, int& droppedBeforeCaret)
{
    droppedBeforeCaret = 0;
    if (text.isEmpty()) {
        return text;
    }
    QString result;
    result.reserve(text.size());
    bool pointSeen = false;
    int position = 0;
    for (qsizetype i = 0; i < text.size(); ++i, ++position) {
        const QChar c = text[i];
        // A surrogate pair is one character, dropped (and beeped) once.
        const bool pair = c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate();
        if (!pair && Passes(c, position, pointSeen)) {
            result.append(c);
            continue;
        }
        Beep();
        const int width = pair ? 2 : 1;
        if (i < caret) {
            droppedBeforeCaret += std::min<int>(width, caret - static_cast<int>(i));
        }
        if (pair) {
            ++i;
        }
    }
    return result;
}

}  // namespace

void SetNumericBeep(std::function<void()> beep)
{
    BeepHook() = std::move(beep);
}

QString FilterNumericText(const QString& text)
{
    int unused = 0;
    return Filter(text, 0, unused);
}

bool TextToFloat(const QString& text, float& value)
{
    // The rule lives with the text layer, so the quantitative table applies
    // the very same test; blanks of every kind around the number are allowed.
    long double v = 0;
    if (!ParseNumberText(text.trimmed().toStdString(), v))
        return false;
    value = static_cast<float>(v);
    return true;
}

bool IsNumberText(const QString& text)
{
    float unused = 0;
    return TextToFloat(text, unused);
}

void ShowConversionError(QWidget* parent, const QString& text)
{
    QMessageBox box(QMessageBox::Critical, ProgramTitle(), QStringLiteral("'%1' 不是有效的浮点数").arg(text),
                    QMessageBox::Ok);
    PlaceMessageBox(box, parent);
    box.exec();
}

bool ApplyNumericFilter(QLineEdit* edit)
{
    const QString text = edit->text();
    const int caret = edit->cursorPosition();
    int droppedBeforeCaret = 0;
    const QString filtered = Filter(text, caret, droppedBeforeCaret);
    if (filtered == text) {
        return false;
    }
    edit->setText(filtered);
    edit->setCursorPosition(caret - droppedBeforeCaret);
    return true;
}

void InstallNumericFilter(QLineEdit* edit)
{
    QObject::connect(edit, &QLineEdit::textChanged, edit, [edit] { ApplyNumericFilter(edit); });
}
