#include "ui/WidgetItems.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

#include "files/TextEncoding.h"
#include "ui/TextLimitValidator.h"

namespace {

// Controls hold 8-bit texts, one byte per character, as the unit and the parameter files do: shown
// and typed as Windows-1252, the same as pravel-cli shows them.
QString FromControlText(const std::string& text)
{
    return QString::fromStdString(Windows1252ToUtf8(text));
}

std::string ToControlText(const QString& text)
{
    return Utf8ToWindows1252(text.toStdString());
}

} // namespace

std::string WidgetText(const QWidget* item)
{
    if (auto* edit = qobject_cast<const QLineEdit*>(item))
        return ToControlText(edit->text());
    if (auto* label = qobject_cast<const QLabel*>(item))
        return ToControlText(label->text());
    if (auto* combo = qobject_cast<const QComboBox*>(item))
        return ToControlText(combo->currentText());
    if (auto* button = qobject_cast<const QAbstractButton*>(item))
        return ToControlText(button->text());
    return std::string();
}

void SetWidgetText(QWidget* item, const std::string& text)
{
    QString value = FromControlText(text);
    if (auto* edit = qobject_cast<QLineEdit*>(item))
        edit->setText(value);
    else if (auto* label = qobject_cast<QLabel*>(item))
        label->setText(value);
    else if (auto* combo = qobject_cast<QComboBox*>(item); combo != nullptr && combo->isEditable())
        combo->setEditText(value);
}

bool IsWidgetChecked(const QWidget* item)
{
    auto* button = qobject_cast<const QAbstractButton*>(item);
    return button != nullptr && button->isCheckable() && button->isChecked();
}

void CheckWidget(QWidget* item, bool checked)
{
    auto* button = qobject_cast<QAbstractButton*>(item);
    if (button == nullptr || !button->isCheckable() || button->isChecked() == checked)
        return;
    QButtonGroup* group = button->group();
    if (!checked && group != nullptr && group->exclusive()) {
        // An exclusive group keeps one button checked; a radio group may also have none.
        group->setExclusive(false);
        button->setChecked(false);
        group->setExclusive(true);
        return;
    }
    button->setChecked(checked);
}

int WidgetComboSelection(const QWidget* item)
{
    auto* combo = qobject_cast<const QComboBox*>(item);
    return combo == nullptr ? -1 : combo->currentIndex();
}

void SetWidgetComboSelection(QWidget* item, int index)
{
    auto* combo = qobject_cast<QComboBox*>(item);
    if (combo == nullptr)
        return;
    combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
}

void LimitWidgetText(QWidget* item, int limit)
{
    if (auto* edit = qobject_cast<QLineEdit*>(item))
        if (auto* validator = qobject_cast<CTextLimitValidator*>(const_cast<QValidator*>(edit->validator())))
            validator->SetLimit(limit);
}
