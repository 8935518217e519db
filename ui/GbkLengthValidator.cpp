#include "ui/GbkLengthValidator.h"

#include <QLineEdit>

#include "text/GbkText.h"

TGbkLengthValidator::TGbkLengthValidator(int maxBytes, QObject* parent) : QValidator(parent), Limit(maxBytes)
{
}

QValidator::State TGbkLengthValidator::validate(QString& input, int& /*pos*/) const
{
    const std::size_t bytes = GbkLength(input.toStdString());
    return bytes <= static_cast<std::size_t>(Limit) ? Acceptable : Invalid;
}

void LimitGbkLength(QLineEdit* edit, int maxBytes)
{
    edit->setValidator(new TGbkLengthValidator(maxBytes, edit));
}
