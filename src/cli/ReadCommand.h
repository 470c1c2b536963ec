// pravel-cli read: dials the unit and reads the chosen parameters and its status, as Read and
// Read all do in the dialog; prints them, and with --save writes the parameter file the dialog
// would save after the same Read: only after a complete read, unless --save-partial.
#pragma once

#include "cli/JobCommand.h"

namespace CLI {
class Option;
}

class CReadCommand : public CJobCommand {
public:
    CReadCommand();

protected:
    void AddOptions(CLI::App& app) override;
    int Execute(CommandIo& io) override;

private:
    // Saves the dialog as it stands after the read; false with the message when it could not.
    bool Save(std::string* message);

    bool m_all = false;
    bool m_savePartial = false;
    std::string m_savePath;
    CLI::Option* m_saveOption = nullptr; // given, even with an empty name
};
