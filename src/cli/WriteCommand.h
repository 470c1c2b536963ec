// pravel-cli write: dials the unit and writes the chosen parameters, as Write does in the dialog.
// Number, code, unit, values and selection come from --file where given (its ticked update boxes
// select); the options override them. --set puts a value in and selects it; --param selects a
// value the file or a --set gives; --all with --file selects every parameter of the file.
// Values from the file keep the rules --set keeps: one that breaks them is refused, not cut short.
#pragma once

#include <string>
#include <vector>

#include "cli/JobCommand.h"

class CWriteCommand : public CJobCommand {
public:
    CWriteCommand();

protected:
    void AddOptions(CLI::App& app) override;
    int Execute(CommandIo& io) override;

private:
    // Every --param has a value to write, from --set or the file. False with the problem.
    bool CheckEveryParamHasAValue(std::string* problem) const;

    bool m_all = false;
    std::string m_filePath;
    std::vector<std::string> m_settings;
};
