// pravel-cli show: what loading a parameter file would put into the dialog, without dialling.
#pragma once

#include <string>

#include "cli/Command.h"

class CShowCommand : public CCommand {
public:
    CShowCommand();

protected:
    void AddOptions(CLI::App& app) override;
    int Execute(CommandIo& io) override;

private:
    std::string m_path;
    bool m_csv = false;
};
