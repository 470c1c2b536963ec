// The dialog's end of the job channel: messages from the job side are handed to the
// user-interface thread and handled there by the handler given. Posted messages are queued;
// a sent message makes the sending thread wait until the handler has run, unless the channel is
// closed meanwhile (the dialog is closing), when it is dropped and the sender goes on.
#pragma once

#include <functional>

#include "platform/NotifyWindow.h"
#include "ui/GuiDispatcher.h"

class CQtNotifyWindow : public INotifyWindow {
public:
    using Handler = std::function<void(uint32_t message, uint32_t wParam, const CMessageValue& lParam)>;

    // Made on the user-interface thread; the handler runs there.
    explicit CQtNotifyWindow(Handler handler);

    void PostMessage(uint32_t message, uint32_t wParam, CMessageValue lParam) override;
    void SendMessage(uint32_t message, uint32_t wParam, CMessageValue lParam) override;

    // From now on messages are dropped; a waiting SendMessage returns.
    void Close() { m_dispatcher.Close(); }
    bool IsClosed() const { return m_dispatcher.IsClosed(); }

private:
    Handler m_handler;
    CGuiDispatcher m_dispatcher;
};
