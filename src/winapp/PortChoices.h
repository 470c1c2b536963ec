// The entries of the port selection dialog's list, as a rule of its own (no window needed):
// COM01 to COM10 first, standing for "com1" to "com10", so that entry i is port number i + 1;
// then the ports present on the machine that those ten do not already name: a "COMn" above 10 as
// "COMn" (stored as "comn"), in the order of their numbers, then any other name (a virtual port
// driver's "CNCA0") as it is, in the order given. Each port appears once, whatever its case.
#pragma once

#include <string>
#include <vector>

struct PortChoice {
    std::string text;     // what the list shows: "COM03", "COM12", "CNCA0"
    std::string portName; // what the port name becomes: "com3", "com12", "CNCA0"
};

constexpr int NumberedPortChoices = 10;

std::vector<PortChoice> BuildPortChoices(const std::vector<std::string>& presentPorts);

// The entry the dialog opens on for a port name, or -1 for none. The number that follows the
// first three characters, whatever those are ("com3", "COM3"), picks one of the ten; any other
// name picks the present port of that name (case aside).
int PortChoiceIndex(const std::vector<PortChoice>& choices, const std::string& portName);

// The number n of a "COMn" name (any case, n from 1 on, no sign or other characters); 0 when the
// name is not of that form or n is beyond any port number.
unsigned ComPortNumber(const std::string& name);
