// The channel from the job side to the front end that shows a job: our stand-in for posting and
// sending window messages to the dialog. The Qt dialog and pravel-cli each implement it.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

// The value carried with a message: a number, or a text owned by the value itself.
class CMessageValue {
public:
    CMessageValue() = default;
    static CMessageValue Number(long number)
    {
        CMessageValue v;
        v.m_number = number;
        return v;
    }
    static CMessageValue Text(std::string text)
    {
        CMessageValue v;
        v.m_isText = true;
        v.m_text = std::move(text);
        return v;
    }

    bool IsText() const { return m_isText; }
    long NumberValue() const { return m_number; }
    const std::string& TextValue() const { return m_text; }

private:
    bool m_isText = false;
    long m_number = 0;
    std::string m_text;
};

class INotifyWindow {
public:
    virtual ~INotifyWindow() = default;
    // Queues the message for the front end's thread and returns at once.
    virtual void PostMessage(uint32_t message, uint32_t wParam, CMessageValue lParam) = 0;
    // Hands the message to the front end's thread and returns when it has been handled. Must not
    // deadlock when the front end is closing: it may then drop the message and return.
    virtual void SendMessage(uint32_t message, uint32_t wParam, CMessageValue lParam) = 0;
};
