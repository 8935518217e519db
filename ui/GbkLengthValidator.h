#pragma once
// Limits an edit's text to a number of GBK bytes, the measure of every text
// the records store. An edit that would grow past the limit refuses the
// change, so a double-byte character is never cut in half.

#include <QValidator>

class QLineEdit;

class TGbkLengthValidator : public QValidator {
    Q_OBJECT
public:
    TGbkLengthValidator(int maxBytes, QObject* parent);
    State validate(QString& input, int& pos) const override;
    int MaxBytes() const { return Limit; }

private:
    int Limit;
};

// Installs the limit on `edit` (the validator is a child of the edit).
void LimitGbkLength(QLineEdit* edit, int maxBytes);
