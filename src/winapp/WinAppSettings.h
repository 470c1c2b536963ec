// pravel.exe's stored settings in the registry: the values "ComPort" and "ModemProfile" directly in
// HKEY_CURRENT_USER\Software\Velmora, Sweden\<application name> (the executable's base name).
//
// Every registry call is checked; a failure goes to the trace and the read gives the default, the
// write false. Nothing is shown to the user.
#pragma once

#include <string>

#include "model/ModemProfile.h"
#include "model/SettingNames.h"

class CWinAppSettings {
public:
    explicit CWinAppSettings(std::string applicationName);

    const std::string& ApplicationName() const { return m_applicationName; }
    // "Software\Velmora, Sweden\<application name>", under HKEY_CURRENT_USER.
    std::string KeyPath() const;

    // The stored port name; "com1" when none is stored, it cannot be read or it is empty. Creates
    // the company and application keys when they are missing; writes no value.
    std::string ReadComPort() const;
    // Stores the port name as REG_SZ; false when the key cannot be opened or the value not set.
    bool WriteComPort(const std::string& name) const;
    // "auto", "hash" or "v253"; Auto for none or any other text.
    ModemProfile ReadModemProfile() const;
    bool WriteModemProfile(ModemProfile profile) const;
    // "RingbackGap", "RingbackWait" and "ModemCountry"; a value absent or not valid is the default.
    ModemCallSettings ReadModemCallSettings() const;
    bool WriteModemCallSettings(const ModemCallSettings& settings) const;
    // "ModemTraceFile": the file the session's modem dialogue goes to; empty for none.
    std::string ReadModemTraceFile() const;

    // A text value of the application key; false when missing, not REG_SZ or unreadable.
    bool ReadText(const char* valueName, std::string* value) const;
    bool WriteText(const char* valueName, const std::string& value) const;

    // The base name of the running executable ("pravel" for C:\Tools\pravel.exe).
    static std::string ModuleBaseName();

private:
    std::string m_applicationName;
};
