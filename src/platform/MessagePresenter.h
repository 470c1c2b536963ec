// How the job side shows a message box: it hands the text to the front end, which shows it on its
// own thread. ShowMessage never waits for the user.
#pragma once

#include <string>

enum class MessageIcon { Error, Exclamation, Information };

class IMessagePresenter {
public:
    virtual ~IMessagePresenter() = default;
    virtual void ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon) = 0;
};

// The process's presenter; null (the default) drops messages. Set by the front end at start-up.
void SetMessagePresenter(IMessagePresenter* presenter);
// Shows through the presenter in place, if any.
void ShowMessageBox(const std::string& text, const std::string& caption, MessageIcon icon);
