#include "form/DialogItemModel.h"

#include "model/DialogIds.h"
#include "model/ParameterTable.h"

CDialogItemModel::CDialogItemModel()
{
    m_texts[IDC_PHONE_NUMBER];
    m_texts[IDC_PROGRAMMING_CODE];
    m_texts[IDC_POWER_STATUS];
    m_texts[IDC_FIRMWARE];
    for (int id = IDC_UNIT_FIRST; id <= IDC_UNIT_LAST; ++id)
        m_buttons[id] = false;
    for (int row = 0; row < ParameterCount; ++row) {
        const ParameterDescriptor& p = ParameterTable[row];
        m_buttons[p.updateBoxId] = false;
        switch (p.kind) {
        case KindText:
            m_texts[p.valueControlId];
            break;
        case KindRadioPair:
            m_buttons[p.valueControlId] = false;
            m_buttons[p.secondControlId] = false;
            break;
        case KindCheckBox:
            m_buttons[p.valueControlId] = false;
            break;
        case KindCombo:
            m_combos[p.valueControlId] = -1;
            break;
        }
    }
}

std::string CDialogItemModel::GetItemText(int id) const
{
    auto it = m_texts.find(id);
    return it == m_texts.end() ? std::string() : it->second;
}

void CDialogItemModel::SetItemText(int id, const std::string& text)
{
    auto it = m_texts.find(id);
    if (it != m_texts.end())
        it->second = text;
}

bool CDialogItemModel::IsButtonChecked(int id) const
{
    auto it = m_buttons.find(id);
    return it != m_buttons.end() && it->second;
}

void CDialogItemModel::CheckButton(int id, bool checked)
{
    auto it = m_buttons.find(id);
    if (it != m_buttons.end())
        it->second = checked;
}

int CDialogItemModel::GetComboSelection(int id) const
{
    auto it = m_combos.find(id);
    return it == m_combos.end() ? -1 : it->second;
}

void CDialogItemModel::SetComboSelection(int id, int index)
{
    auto it = m_combos.find(id);
    if (it == m_combos.end())
        return;
    int items = id == IDC_TEST_ALARM_TIME ? TestAlarmTimeItems : PhoneAcknowledgeItems;
    it->second = (index >= 0 && index < items) ? index : -1;
}
