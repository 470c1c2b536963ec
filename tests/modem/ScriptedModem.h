// Test helpers for the driver without a serial port: a voice modem with one Emergency phone unit
// behind it that answers each command the driver writes, a driver whose Write hands the command
// to it and feeds the reply back through OnReceive (cut into chunks as a test asks), and
// recorders for the front end's messages and message boxes.
#pragma once

#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "model/ComPortName.h"
#include "modem/ModemDriver.h"
#include "platform/MessagePresenter.h"
#include "platform/NotifyWindow.h"

struct RecordedMessage {
    uint32_t message;
    uint32_t wParam;
    bool isText;
    long number;
    std::string text;
    bool sent; // SendMessage rather than PostMessage
};

class CRecordingWindow : public INotifyWindow {
public:
    void PostMessage(uint32_t message, uint32_t wParam, CMessageValue lParam) override { Add(message, wParam, lParam, false); }
    void SendMessage(uint32_t message, uint32_t wParam, CMessageValue lParam) override { Add(message, wParam, lParam, true); }
    std::vector<RecordedMessage> Messages() const;
    // The texts of the WM_SET_TEXT messages by id (the last one of each id).
    std::map<uint32_t, RecordedMessage> Values() const;
    int CountProgress(uint32_t stage) const;
    // Waits (bounded) until a WM_SHOW_PROGRESS of this stage has come.
    bool WaitForProgress(uint32_t stage, int timeoutMs) const;

private:
    void Add(uint32_t message, uint32_t wParam, const CMessageValue& value, bool sent);
    mutable std::mutex m_lock;
    mutable std::condition_variable m_changed;
    std::vector<RecordedMessage> m_messages;
};

class CRecordingPresenter : public IMessagePresenter {
public:
    CRecordingPresenter() { SetMessagePresenter(this); }
    ~CRecordingPresenter() override { SetMessagePresenter(nullptr); }
    void ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon) override;
    std::vector<std::string> Texts() const;
    std::string Caption() const;

private:
    mutable std::mutex m_lock;
    std::vector<std::string> m_texts;
    std::string m_caption;
};

// The modem and the unit. Everything here runs on the driver thread (inside Write).
struct ScriptedModem {
    enum class Dial { Voice, Busy, NoAnswer, Unknown, Silent, NoDialTone, NoCarrier, Ok };
    Dial dial = Dial::Voice;
    std::string code = "3958";
    std::string firmware = "207";
    std::map<std::string, std::string> memory; // location ("000") -> value
    std::string status; // the status record
    int corruptNextAnswers = 0;
    int dropNextAnswers = 0;
    int dropAfterCorrupt = 0; // answers not sent once the corrupted ones have gone
    // What the line does to the next answers, one letter each, before the counts above: 'g' good,
    // 'c' a wrong check digit, 'x' lost, 'p' its end tone lost, 'w' a '9' heard before it (the
    // check digit still fits), 's' cut to its first two characters with a fitting check digit.
    std::string fates;
    bool busyToneAfterLogin = false;
    bool lineDropped = false;
    std::string noiseBeforeReply; // bytes sent before every reply
    std::string noiseInsideFrame; // bytes sent between the frame's characters, once
    // How the answer's tones are reported: once each (a '#' modem), shielded in DLE '/' ... DLE '~'
    // with each tone three times, or three times without a start mark and ended by DLE 0x7F.
    enum class Reporting { Single, Shielded, Unmarked };
    Reporting reporting = Reporting::Single;
    bool events = false; // event codes and DLE DLE between and inside the tones' reports
    std::vector<std::string> commands; // every command written, as written

    ScriptedModem();
    // The bytes the modem sends back to one command.
    std::string Reply(const std::string& command);
    // The code a tone command carries ("AT#VTS=C,2,B,0,B,0,9,D\r\n" -> "22000").
    static std::string CodeOf(const std::string& command);
    // The DLE-coded frame the modem reports for an answer of the unit.
    static std::string Frame(const std::string& answer, bool corrupt);
    // A '#' modem's report of a frame (DLE + tone each) as this modem reports it.
    std::string Reported(const std::string& frame) const;
    // The codes sent (the tone commands only, decoded).
    std::vector<std::string> Codes() const;
};

enum class Chunking { Whole, ByteAtATime, Pairs, RandomCuts };

class CScriptedDriver : public CModemDriver {
public:
    CScriptedDriver(const ProgrammingJob* job, Chunking chunking) : CModemDriver(job, GetComPortName()), m_chunking(chunking) {}
    ~CScriptedDriver() override { Stop(); }
    bool StartWithoutPort() { return StartDialogue(); }
    bool Write(const void* data, uint32_t count) override;
    // Waits (bounded) for the dialogue's end and stops the driver. False when it did not end.
    bool RunToEnd(int timeoutMs);
    void Feed(const std::string& bytes);

    ScriptedModem modem;

private:
    Chunking m_chunking;
    unsigned m_random = 12345; // the cuts of RandomCuts, the same every run
};
