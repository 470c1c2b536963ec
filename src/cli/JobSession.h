// One read or write job run the way the dialog runs it, on an in-memory dialog: the job is filled
// from the dialog's controls and checked, the job worker is started, and the job's messages are
// handled on the calling thread (values and acknowledgements go into the controls through the
// dialog's own rules) until the job has ended. Afterwards the controls hold the results: values
// read, and the update boxes still ticked for what was not transferred.
//
// An interrupt (see Interrupt.h) while the job runs stops it: the first the orderly way (log-off,
// modem reset), Run returning once the job has ended; a second at once.
#pragma once

#include <string>
#include <vector>

#include "cli/CliNotifyWindow.h"
#include "cli/Command.h"
#include "form/DialogItemModel.h"
#include "model/JobMessages.h"
#include "model/JobOutcome.h"
#include "model/ParameterTable.h"
#include "model/ProgrammingJob.h"

// What a write that was read back found for one parameter.
struct ReadBackResult {
    int row = 0;
    ReadBackVerdict verdict = ReadBackVerdict::NotChecked;
    std::string readBack; // the text the unit gave back
};

struct JobResult {
    bool started = false;       // the job worker ran
    bool ended = false;         // ProgressEnded arrived
    JobOutcome outcome = JobOutcome::None; // what the job side said of its end, with ProgressEnded
    bool connected = false;     // the modem made a voice connection
    bool codeAccepted = false;  // the unit accepted the programming code
    bool codeRefused = false;   // the unit refused it
    bool interrupted = false;   // stopped by Ctrl-C, SIGTERM or SIGHUP
    bool aborted = false;       // stopped at once by a second one
    bool statusArrived = false; // the status record was decoded (read)
    std::string message;        // the first message the job side showed, empty when none
    std::string firmware;       // firmware text as reported, "2.0.7"; empty when none came
    uint32_t selectionMask = 0; // what the job was asked to transfer
    bool reported[ParameterCount] = {}; // a value or acknowledgement arrived for the row
    bool verify = false;                 // the write was to be read back
    std::vector<ReadBackResult> readBack; // in table order, as the job side reported them
};

class CJobSession {
public:
    CJobSession(CDialogItemModel& model, JobMode mode);
    CJobSession(const CJobSession&) = delete;
    CJobSession& operator=(const CJobSession&) = delete;

    // Fills theJob from the dialog (for a write with every value too) and checks it. False with
    // the problem when it may not be dialled; nothing is started then.
    bool Prepare(std::string* problem);
    // A write reads back what it wrote, in the same call, and compares. Call before Prepare.
    void SetVerify(bool verify) { m_verify = verify; }
    // Runs the prepared job to its end, progress on io.err. Call once, after Prepare succeeded.
    JobResult Run(CommandIo& io);

private:
    void Handle(const CCliNotifyWindow::Message& message, class CProgressPrinter& progress);
    int TransferredCount() const;

    CDialogItemModel& m_model;
    JobMode m_mode;
    bool m_verify = false;
    CCliNotifyWindow m_window;
    JobResult m_result;
};

// The first character of the firmware text is the major version; '2' units have the battery
// rows and the LED sequence.
bool FirmwareHasBatteryAndLed(const std::string& firmware);
// The selected parameters whose update box is still ticked, in table order.
std::vector<int> RowsNotTransferred(const IDialogItems& items, uint32_t selectionMask);
// The job ran to its normal end: the code was accepted, no message was shown, every selected
// parameter this firmware has was transferred and, for a read, the status arrived.
bool JobCompleted(const JobResult& result, const IDialogItems& items, JobMode mode);
// What to tell the user about a job that did not complete: the job side's message where it
// showed one, else what is known of how it ended.
std::string JobFailureText(const JobResult& result, const IDialogItems& items, JobMode mode);
// The parameters the unit's firmware does not have among those selected, in table order (the
// battery rows and the LED sequence on a firmware 1 unit). Empty until the firmware is known.
std::vector<int> RowsNotOnFirmware(const JobResult& result);
// A write to be read back whose read-back did not cover every parameter written.
bool ReadBackIncomplete(const JobResult& result, const IDialogItems& items);
// How the job ended as a code: the job side's own where it showed a message, else what is known
// of the end, as JobFailureText tells it.
JobOutcome JobReason(const JobResult& result, const IDialogItems& items, JobMode mode);
