#include "platform/MessagePresenter.h"

#include <atomic>

namespace {
std::atomic<IMessagePresenter*> g_presenter{nullptr};
}

void SetMessagePresenter(IMessagePresenter* presenter)
{
    g_presenter = presenter;
}

void ShowMessageBox(const std::string& text, const std::string& caption, MessageIcon icon)
{
    if (IMessagePresenter* presenter = g_presenter.load())
        presenter->ShowMessage(text, caption, icon);
}
