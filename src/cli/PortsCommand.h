// pravel-cli ports: the serial devices present, to find the modem's --port: the device, its
// stable /dev/serial/by-id name where one links to it, and its driver; and the ports of the
// pravel-sim processes running here (driver "pravel-sim"), as the port dialog lists them.
#pragma once

#include <string>

#include "cli/Command.h"

class CPortsCommand : public CCommand {
public:
    // root: where /dev and /sys are looked for ("/"; a test gives a fake tree).
    explicit CPortsCommand(std::string root = "/");

protected:
    void AddOptions(CLI::App& app) override;
    int Execute(CommandIo& io) override;

private:
    std::string m_root;
};
