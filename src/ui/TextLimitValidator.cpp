#include "ui/TextLimitValidator.h"

#include <QLineEdit>

CTextLimitValidator::CTextLimitValidator(QLineEdit* edit, bool digitsOnly) : QValidator(edit), m_digitsOnly(digitsOnly)
{
    m_lastLength = static_cast<int>(edit->text().size());
    connect(edit, &QLineEdit::textChanged, this,
            [this](const QString& text) { m_lastLength = static_cast<int>(text.size()); });
}

QValidator::State CTextLimitValidator::validate(QString& input, int& /*position*/) const
{
    if (m_digitsOnly) {
        for (QChar c : input)
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return Invalid;
    }
    int length = static_cast<int>(input.size());
    if (m_limit > 0 && length > m_limit && length > m_lastLength)
        return Invalid;
    return Acceptable;
}
