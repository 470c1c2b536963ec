// CModemDriver: one job's conversation with the voice modem. It is a CComPort that opens the port
// itself, queues the received chunks, turns them into modem result lines and DTMF answers, and
// runs the phone programming dialogue step by step (PhoneDialogue.cpp) on a thread of its own.
//
// Threads:
// - The job worker constructs the driver on its stack, calls Start, reads IsFinished,
//   CountDownWatchdog and Expect once a tick, waits on FinishedEvent, and calls Stop. Start and
//   Stop run on that thread only.
// - The serial reader thread calls OnReceive, which only appends to the receive queue (under
//   m_queueLock) and counts it on m_receiveSemaphore.
// - The driver thread (started by Start, ended and joined by Stop) does everything else: it
//   writes the commands, takes the chunks off the queue, interprets them and runs the steps.
//   Its waits all end when m_stopEvent is signalled, so Stop always completes; it is never
//   ended by force.
// - The front end only receives messages (job.notifyWindow) and message boxes (ShowMessageBox).
// Not copyable. The destructor stops a driver that is still running.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/JobOutcome.h"
#include "model/ModemProfile.h"
#include "model/ParameterTable.h"
#include "model/ProgrammingJob.h"
#include "modem/DtmfCollector.h"
#include "modem/DialogueTiming.h"
#include "platform/Event.h"
#include "platform/NotifyWindow.h"
#include "platform/Semaphore.h"
#include "platform/Thread.h"
#include "serial/ComPort.h"

// What the next modem line must be; a DTMF code expects ExpectOk plus ExpectDtmfAnswer.
enum ExpectBits : uint16_t {
    ExpectOk = 1,
    ExpectDialResult = 2,
    ExpectDtmfAnswer = 4,
};

// The step that asks for the end of the dialogue.
constexpr int32_t StepAbort = 1000;
// The end step of each mode: what follows the last parameter.
constexpr int32_t ReadEndStep = 22;
constexpr int32_t WriteEndStep = 38;

// The DTMF characters the modem has reported, shared by all drivers (one exists at a time) and
// touched only by the driver thread. 'C' restarts it; it holds at most DtmfBufferLimit characters
// and stays NUL-terminated.
constexpr int32_t DtmfBufferLimit = 100;
extern char dtmfBuffer[DtmfBufferLimit + 1];
extern int32_t dtmfLength;

class CModemDriver : public CComPort {
public:
    // The receive semaphore counts at most this many chunks; more stay queued, and each wake of
    // the driver thread takes every chunk waiting.
    static constexpr int MaxQueuedChunks = 200;
    // A driver thread this far behind (128-byte chunks: about 8 MB) has stalled: further chunks
    // are dropped, traced.
    static constexpr size_t QueueDropLimit = 65536;
    // Longest modem line kept; the rest of a longer line is dropped.
    static constexpr size_t MaxLineLength = 128;

    // The job is read, never written, and must outlive the driver. portName is the port Start
    // opens: "comN" or a device path. profile is the voice command set to speak: Auto begins
    // with the '#' set and changes to V.253 for the rest of the call when the modem answers
    // "ERROR" to "AT#CLS=8".
    CModemDriver(const ProgrammingJob* job, std::string portName, ModemProfile profile = ModemProfile::Auto);
    CModemDriver(const CModemDriver&) = delete;
    CModemDriver& operator=(const CModemDriver&) = delete;
    ~CModemDriver() override;

    // Checks the job, opens and configures the driver's port and starts the
    // driver thread, which writes "ATZ\r\n". False (shown to the user where it is the user's
    // concern, traced always) when the job cannot start; nothing is left running then.
    bool Start();
    // Ends the driver thread, closes the port (which hangs the modem up) and releases what Start
    // created. Does nothing when nothing runs; may be called again.
    void Stop();

    bool OnReceive(const uint8_t* data, uint32_t count) override;
    bool Write(const void* data, uint32_t count) override;
    // The device is gone (unplugged, hung up): the job ends at once with the message that says so.
    void OnDeviceGone() override;

    // Job worker: asks for the orderly end of the call. A unit that is logged in is sent the
    // log-off (its answer awaited up to logoffWaitMs), then the modem is reset; nothing more is
    // shown to the user. Returns at once; FinishedEvent follows.
    void RequestStop();
    // Job worker, when the watchdog has run out: tells the user what the job was waiting for.
    void ReportStall();

    // Read by the job worker.
    bool IsFinished() const { return m_finished.load(); }
    // Counts the watchdog down by one tick and returns what is left.
    int32_t CountDownWatchdog() { return m_watchdogSeconds.fetch_sub(1) - 1; }
    int32_t WatchdogSeconds() const { return m_watchdogSeconds.load(); }
    uint16_t Expect() const { return m_expect.load(); }
    // How the job ended, as far as the driver knows: the outcome of the first message shown, the
    // refused code, or the stop; None while nothing of that kind has happened.
    JobOutcome Outcome() const { return m_outcome.load(); }
    // Records the outcome unless one is recorded already: the first cause is the one reported.
    void NoteOutcome(JobOutcome outcome);
    // Signalled when the dialogue has ended: the modem has answered the final reset, or the
    // port stopped taking commands. Exists from a successful Start until Stop.
    CEvent& FinishedEvent() { return m_finishedEvent; }

protected:
    // The second half of Start, after the port is open: creates the queue's semaphore and the
    // events and starts the driver thread. Test drivers that override Write call it without a
    // port.
    bool StartDialogue();

private:
    // Machinery (ModemDriver.cpp).
    void DriverThread();
    void ProcessReceived();
    // One received byte; false abandons the rest of the chunk.
    bool TakeByte(char c);
    bool EndLine();
    bool TakeTone(char tone);
    bool TakeBusyTone();
    bool TakeHangUp(char code);
    void ResetLine();
    void ReleaseDialogue();
    // Shows the message (the first of the job only) and records its outcome with it.
    void ShowError(JobOutcome outcome, int stringId);
    void ShowErrorText(JobOutcome outcome, const std::string& text);

    // The dialogue (PhoneDialogue.cpp).
    bool InterpretLine(const std::string& line);
    void RunStep();
    bool RunReadStep();
    bool RunWriteStep();
    bool RunReadBackStep();
    void TakeReadBackAnswer();
    void CompareReadBack();
    bool CheckLogin();
    void EndDialogue();
    void SendAT(const std::string& suffix);
    bool SetupRefused(const std::string& line);
    bool RunSetupStep();
    bool SelectAgainBeforeLogin();
    void NextStep();
    std::string ToneCommand(const char* tones) const;
    void SendDtmfCommand(const std::string& command, int32_t answerTargetId);
    void SendCode(const std::string& code, int32_t answerTargetId);
    void WriteCommand(const std::string& command);
    void Abort();
    void PostToWindow(uint32_t message, uint32_t wParam, CMessageValue value);
    void SendToWindow(uint32_t message, uint32_t wParam, CMessageValue value);
    bool Selected(int row, bool needsFirmware2) const;
    void BeginOrderlyStop();
    bool CreateDialogueObjects();
    bool StartDriverThread();
    void EndBecauseDeviceGone();
    bool WaitBeforeNextTone();
    void ShowNoAnswerError();
    void CountSpoiltAnswer();
    bool PartAnswerTimedOut();
    bool ConfirmedAnswer(const std::string& answer);
    void ShowTooManyRetries();
    void TraceDialogue(const char* direction, std::string_view text);

    CThread m_driverThread;
    std::mutex m_queueLock;
    CEvent m_stepEvent; // auto-reset: run RunStep
    CEvent m_stopEvent; // manual-reset: end the driver thread
    bool m_portHandle = false; // a port is held: also the test for a driver already started
    struct ReceivedChunk {
        std::vector<uint8_t> bytes;
        long long receivedMs = 0; // steady clock, when the reader thread got it
    };
    std::deque<ReceivedChunk> m_receiveQueue;
    CSemaphore m_receiveSemaphore;
    int32_t m_step = 0;
    std::atomic<int32_t> m_watchdogSeconds;
    int32_t m_timeoutCount = 0;
    int32_t m_answersChecked = 0; // the unit's answers in this call (frames up to their end tone)
    int32_t m_answersFailed = 0;  // those of them that failed their check
    std::atomic<bool> m_finished{false};
    bool m_loggedIn = false;
    // The login code went out / some frame came back from the unit; the worker reads both.
    std::atomic<bool> m_loginSent{false};
    std::atomic<bool> m_unitHeard{false};
    std::atomic<bool> m_mayShowError{true}; // also the worker's, for ReportStall
    std::atomic<uint16_t> m_expect{0};
    std::atomic<JobOutcome> m_outcome{JobOutcome::None};
    uint32_t m_waitTimeoutMs = INFINITE;
    int32_t m_answerTargetId = 0;
    char m_answer[100] = {};
    char m_firmwareMajor = '\0';
    const ProgrammingJob* m_job;

    // Ours besides.
    const DialogueTiming m_timing;
    CEvent m_finishedEvent;
    CEvent m_stopRequestEvent; // auto-reset: the worker asks for the orderly end (RequestStop)
    bool m_stopping = false;   // the orderly end is under way: nothing more is shown
    std::atomic<bool> m_deviceGone{false};
    std::atomic<bool> m_connected{false}; // the voice connection was made
    bool m_modemAnswered = false;         // the first "ATZ" has been answered
    std::string m_lastCommand;            // what went out last, for the messages that name it
    std::chrono::steady_clock::time_point m_startTime;
    bool m_loginChecked = false; // the login answer has been looked at
    bool m_dialogueStarted = false;
    std::string m_portName;
    // The line being collected across chunks.
    std::string m_lineText;
    CDtmfCollector m_collector;
    long long m_chunkMs = -1; // when the chunk being taken apart came, for the collector
    // The voice command set.
    ModemProfile m_profile;
    bool m_v253 = false;       // speaking the V.253 set: from the start, or since "AT#CLS=8" was refused
    size_t m_setupRow = 0;     // the row of the set-up table being run (steps 0 to 7)
    const ModemCallSettings m_callSettings;
    bool m_selectedAgain = false; // the unit selection has been sent again after a silent login
    // The unit code sent last; an answer to it failed its check; a valid answer to it that waits
    // for the same answer once more before it counts (ConfirmedAnswer).
    std::string m_lastCode;
    bool m_codeSpoilt = false;
    std::optional<std::string> m_unconfirmed;
    // The read-back after a write (verifyWrites): the read code or status code last sent and the
    // step it was sent in; the texts that came back, per parameter row.
    int32_t m_readBackSentStep = -1;
    int32_t m_readBackSentRow = -1; // a parameter row, or RowStatus for the status record
    std::string m_readBack[ParameterCount];
    bool m_readBackCame[ParameterCount] = {};
    // When the last result line came: the next command waits m_timing.commandGapMs from then.
    std::chrono::steady_clock::time_point m_lastResultAt{};
};
