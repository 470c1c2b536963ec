// The main dialog's rules over its controls, written once over IDialogItems so that the Qt dialog
// and pravel-cli (which runs them on an in-memory model) behave alike: the start values, the
// enabling rule, filling the job from the controls, and putting reported values into them.
#pragma once

#include <string>

#include "form/DialogItems.h"
#include "model/ProgrammingJob.h"
#include "platform/NotifyWindow.h"

// The values the dialog starts with: unit 1, "Two colours", code "3958", alarm button delay 4,
// alarm type 10, test alarm time "(Deactivated)", phone acknowledge "Standard". Update boxes of
// the two combos and the delay are cleared.
void SetInitialValues(IDialogItems& items);

// Edit 1021 holds exactly four characters and edit 1020 is not empty.
bool HasNumberAndCode(const IDialogItems& items);
// At least one update box of the parameter table is ticked.
bool AnyUpdateBoxTicked(const IDialogItems& items);
// Ticks every parameter's update box (Read all).
void TickAllUpdateBoxes(IDialogItems& items);

// Fills the job's number, code, selection and unit from the controls (after reset, with mode).
// False, with nothing more done, when no unit radio button is chosen.
bool FillJob(const IDialogItems& items, ProgrammingJob& job, JobMode mode, INotifyWindow* window);

// The item a combo holds as its choice. Where the user has typed into its text field, the item
// whose text that is (the selection of a list may stay on the old item, or be none at all), -1
// when the text is none of the items; otherwise the selected index.
int ComboChoice(const IDialogItems& items, int comboId);

// Copies every parameter's current value into its slot: edits cut to their length, combos their
// index as decimal text, the LED pair and the check boxes "1"/"0".
void CopyValuesToJob(const IDialogItems& items, ProgrammingJob& job);

// What the dialog does with one WM_SET_TEXT: in a write job only the update box is cleared; in a
// read job the value goes into its control, then the update box is cleared.
void ApplySetText(IDialogItems& items, int jobMode, int id, const CMessageValue& value);
