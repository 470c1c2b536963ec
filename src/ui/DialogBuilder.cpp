#include "ui/DialogBuilder.h"

#include <QAbstractItemView>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStringList>
#include <QStyle>
#include <algorithm>

#include "ui/TextLimitValidator.h"
#include "ui/UpDownControl.h"

namespace {

const char* const IdProperty = "dlgCtrlId";

// The closed height of a drop-down combo: that of an edit.
constexpr int ComboFieldHeight = 14;
// The height of one entry of a drop-down list.
constexpr int ListItemHeight = 8;

QWidget* CreateControl(QDialog* dialog, const ControlTemplate& control, BuiltDialog& built, QButtonGroup*& radioGroup)
{
    QString text = QString::fromLatin1(control.text);
    QRect place = DialogUnitsToPixels(built.units, control.x, control.y, control.w, control.h);
    QWidget* widget = nullptr;

    if (control.kind != ControlKind::RadioButton)
        radioGroup = nullptr;

    switch (control.kind) {
    case ControlKind::GroupBox: {
        auto* box = new QGroupBox(text, dialog);
        box->setFocusPolicy(Qt::NoFocus);
        widget = box;
        break;
    }
    case ControlKind::Label: {
        auto* label = new QLabel(text, dialog);
        label->setTextFormat(Qt::PlainText);
        widget = label;
        break;
    }
    case ControlKind::Edit: {
        auto* edit = new QLineEdit(dialog);
        edit->setValidator(new CTextLimitValidator(edit, (control.style & StyleDigitsOnly) != 0));
        widget = edit;
        break;
    }
    case ControlKind::RadioButton: {
        auto* radio = new QRadioButton(text, dialog);
        radio->setAutoExclusive(false);
        if ((control.style & StyleGroup) != 0 || radioGroup == nullptr) {
            radioGroup = new QButtonGroup(dialog);
            radioGroup->setExclusive(true);
            built.radioGroups.append(radioGroup);
        }
        radioGroup->addButton(radio, control.id);
        widget = radio;
        break;
    }
    case ControlKind::CheckBox:
        widget = new QCheckBox(text, dialog);
        break;
    case ControlKind::ComboBox:
    case ControlKind::ComboList: {
        auto* combo = new QComboBox(dialog);
        bool editable = control.kind == ControlKind::ComboBox;
        combo->setEditable(editable);
        if (editable)
            combo->setInsertPolicy(QComboBox::NoInsert);
        QStringList items = text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
        if ((control.style & StyleSorted) != 0)
            std::sort(items.begin(), items.end());
        combo->addItems(items);
        combo->setCurrentIndex(-1);
        combo->setMaxVisibleItems(std::max(1, (control.h - ComboFieldHeight) / ListItemHeight));
        if ((control.style & StyleVScroll) != 0)
            combo->view()->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        place.setHeight(VerticalUnitsToPixels(built.units, ComboFieldHeight));
        widget = combo;
        break;
    }
    case ControlKind::UpDown:
        widget = new CUpDownControl(dialog);
        break;
    case ControlKind::StatusField: {
        auto* field = new QLabel(dialog);
        field->setTextFormat(Qt::PlainText);
        field->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        field->setTextInteractionFlags(Qt::TextSelectableByMouse);
        field->setIndent(2);
        widget = field;
        break;
    }
    case ControlKind::Picture: {
        auto* picture = new QLabel(dialog);
        picture->setAlignment(Qt::AlignCenter);
        widget = picture;
        break;
    }
    case ControlKind::PushButton: {
        auto* button = new QPushButton(text, dialog);
        button->setAutoDefault(true);
        button->setDefault((control.style & StyleDefaultButton) != 0);
        widget = button;
        break;
    }
    }

    widget->setGeometry(place);
    widget->setProperty(IdProperty, control.id);
    if (control.id != NoControlId)
        built.controls[control.id] = widget;
    return widget;
}

// The width in pixels a control's text needs, or 0 when the kind has no text to fit.
int NeededWidth(const QWidget* dialog, const ControlTemplate& control)
{
    QFontMetrics metrics(dialog->font());
    QStyle* style = dialog->style();
    auto textWidth = [&metrics](QString text) { return metrics.horizontalAdvance(text.remove(QLatin1Char('&'))); };
    QString text = QString::fromLatin1(control.text);
    switch (control.kind) {
    case ControlKind::Label:
        return textWidth(text);
    case ControlKind::CheckBox:
        if (text.isEmpty())
            return 0;
        return textWidth(text) + style->pixelMetric(QStyle::PM_IndicatorWidth) +
               style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing) + 2;
    case ControlKind::RadioButton:
        return textWidth(text) + style->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth) +
               style->pixelMetric(QStyle::PM_RadioButtonLabelSpacing) + 2;
    case ControlKind::ComboBox:
    case ControlKind::ComboList: {
        int widest = 0;
        for (const QString& item : text.split(QLatin1Char('\n')))
            widest = std::max(widest, textWidth(item));
        return widest == 0 ? 0 : widest + style->pixelMetric(QStyle::PM_ScrollBarExtent) + 14;
    }
    default:
        return 0;
    }
}

// The dialog font's average character width, made wider one pixel at a time (at most four) while
// some caption of the template would not fit its control: the font in use is not the one the
// template was drawn for, and its texts may run wider in proportion.
void FitCharWidth(const QWidget* dialog, const DialogTemplate& dialogTemplate, DialogBaseUnits& units)
{
    for (int extra = 0; extra < 4; ++extra) {
        bool fits = true;
        for (int i = 0; i < dialogTemplate.controlCount && fits; ++i) {
            const ControlTemplate& control = dialogTemplate.controls[i];
            int needed = NeededWidth(dialog, control);
            if (needed > 0 && needed > DialogUnitsToPixels(units, control.x, control.y, control.w, control.h).width())
                fits = false;
        }
        if (fits)
            return;
        ++units.charWidth;
    }
}

bool TakesFocus(ControlKind kind)
{
    return kind != ControlKind::Label && kind != ControlKind::GroupBox && kind != ControlKind::Picture &&
           kind != ControlKind::StatusField && kind != ControlKind::UpDown;
}

} // namespace

BuiltDialog BuildDialog(QDialog* dialog, const DialogTemplate& dialogTemplate)
{
    BuiltDialog built;
    built.units = MeasureBaseUnits(dialog->font());
    FitCharWidth(dialog, dialogTemplate, built.units);
    dialog->setWindowTitle(QString::fromLatin1(dialogTemplate.caption));

    QButtonGroup* radioGroup = nullptr;
    std::vector<QWidget*> widgets;
    for (int i = 0; i < dialogTemplate.controlCount; ++i)
        widgets.push_back(CreateControl(dialog, dialogTemplate.controls[i], built, radioGroup));

    // A label's mnemonic goes to the next control that takes the focus; a spin control's buddy is
    // the control just before it.
    for (int i = 0; i < dialogTemplate.controlCount; ++i) {
        const ControlTemplate& control = dialogTemplate.controls[i];
        if (control.kind == ControlKind::Label) {
            for (int next = i + 1; next < dialogTemplate.controlCount; ++next) {
                if (TakesFocus(dialogTemplate.controls[next].kind)) {
                    static_cast<QLabel*>(widgets[static_cast<size_t>(i)])->setBuddy(widgets[static_cast<size_t>(next)]);
                    break;
                }
            }
        } else if (control.kind == ControlKind::UpDown && i > 0) {
            if (auto* buddy = qobject_cast<QLineEdit*>(widgets[static_cast<size_t>(i - 1)]))
                static_cast<CUpDownControl*>(widgets[static_cast<size_t>(i)])->SetBuddy(buddy);
        }
    }

    QRect client = DialogUnitsToPixels(built.units, 0, 0, dialogTemplate.width, dialogTemplate.height);
    dialog->setFixedSize(client.size());
    return built;
}

QWidget* GetDlgItem(const QWidget* dialog, int id)
{
    if (dialog == nullptr || id == NoControlId)
        return nullptr;
    const QList<QWidget*> children = dialog->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    for (QWidget* child : children)
        if (GetDlgCtrlId(child) == id)
            return child;
    return nullptr;
}

int GetDlgCtrlId(const QWidget* control)
{
    if (control == nullptr)
        return NoControlId;
    QVariant id = control->property(IdProperty);
    return id.isValid() ? id.toInt() : NoControlId;
}
