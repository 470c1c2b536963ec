// pravel-cli's message box: the job side's error (shown from its own threads) is kept here and
// printed by the command's thread once the job has ended. Only the first message of a job counts,
// as the driver shows at most one; later ones are kept out. It is the process's presenter for
// the life of the object (none afterwards).
#pragma once

#include <mutex>
#include <string>

#include "platform/MessagePresenter.h"

class CCliMessagePresenter : public IMessagePresenter {
public:
    CCliMessagePresenter();
    ~CCliMessagePresenter() override;
    CCliMessagePresenter(const CCliMessagePresenter&) = delete;
    CCliMessagePresenter& operator=(const CCliMessagePresenter&) = delete;

    void ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon) override;

    bool HasMessage() const;
    // The text of the first message, empty when none came.
    std::string FirstMessage() const;

private:
    mutable std::mutex m_lock;
    bool m_hasMessage = false;
    std::string m_text;
};
