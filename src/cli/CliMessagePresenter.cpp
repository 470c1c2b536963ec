#include "cli/CliMessagePresenter.h"

CCliMessagePresenter::CCliMessagePresenter()
{
    SetMessagePresenter(this);
}

CCliMessagePresenter::~CCliMessagePresenter()
{
    SetMessagePresenter(nullptr);
}

void CCliMessagePresenter::ShowMessage(const std::string& text, const std::string&, MessageIcon)
{
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_hasMessage)
        return;
    m_hasMessage = true;
    m_text = text;
}

bool CCliMessagePresenter::HasMessage() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_hasMessage;
}

std::string CCliMessagePresenter::FirstMessage() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_text;
}
