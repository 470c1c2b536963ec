// The typing rules of an edit control: an optional limit on the number of characters and an
// optional digits-only rule. Both hold for what the user types or pastes; a text put in by the
// program (a value read from a unit, a loaded file) is shown whole, and the user may shorten an
// over-long text but not lengthen it.
#pragma once

#include <QValidator>

class QLineEdit;

class CTextLimitValidator : public QValidator {
    Q_OBJECT
public:
    CTextLimitValidator(QLineEdit* edit, bool digitsOnly);

    // 0: no limit.
    void SetLimit(int limit) { m_limit = limit; }
    int Limit() const { return m_limit; }
    bool DigitsOnly() const { return m_digitsOnly; }

    State validate(QString& input, int& position) const override;

private:
    int m_limit = 0;
    bool m_digitsOnly;
    int m_lastLength = 0; // length of the edit's text before the change being validated
};
