#pragma once
// The numeric text rule shared by every numeric edit of the program, and the
// number test of the quantitative tables.

#include <QString>
#include <functional>

class QLineEdit;
class QWidget;

// Keeps what may start a decimal number: "+" and "-" only as the first
// character of the given text, one ".", the digits. Every other character is
// dropped with one beep each (a double-byte character counts as one).
// Examples: "12a3" -> "123" (one beep), "-1.2.3" -> "-1.23", "1-2" -> "12",
// "+-5" -> "+5", "" -> "" (no beep).
QString FilterNumericText(const QString& text);

// The beep of a dropped character; QApplication::beep unless replaced (tests
// count beeps). An empty function restores the default.
void SetNumericBeep(std::function<void()> beep);

// A complete number: an optional sign, digits with at most one point (at
// least one digit), an optional exponent, blanks around allowed. The empty
// text, ".", "+." and "-." are not numbers.
bool IsNumberText(const QString& text);

// Converts an edit's text as the framework's float conversion does (the rule
// of IsNumberText, and the value must fit a 32-bit float). False when the
// text is no number.
bool TextToFloat(const QString& text, float& value);

// The framework's message for a text that is no number ("'-' 不是有效的浮点数"),
// shown modally over `parent`.
void ShowConversionError(QWidget* parent, const QString& text);

// Makes `edit` pass every change of its text through FilterNumericText and
// put the result back, keeping the caret where the operator typed.
void InstallNumericFilter(QLineEdit* edit);
// The same, done once, for edits that also react to a change themselves:
// returns true when the text was changed (the edit's textChanged signal then
// fires again with the filtered text).
bool ApplyNumericFilter(QLineEdit* edit);
