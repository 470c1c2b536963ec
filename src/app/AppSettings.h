// The program's stored settings, "ComPort" and "ModemProfile", in the user's settings store of the
// maker "Velmora, Sweden" and the application (the executable's base name), top section.
#pragma once

#include <QString>

#include "model/ModemProfile.h"
#include "model/SettingNames.h"

class CAppSettings {
public:
    explicit CAppSettings(const QString& applicationName);

    // The stored port name; "com1" when none is stored or the stored one is empty. Creates the
    // store (its folder and an empty file) when it is missing, and writes no value.
    QString ReadComPort() const;
    // Stores the port name; false when the store cannot be written (not reported to the user).
    bool WriteComPort(const QString& name) const;
    // The stored voice command set: "auto", "hash" or "v253"; Auto when none or another text is stored.
    ModemProfile ReadModemProfile() const;
    // Stores it by its name; false when the store cannot be written (not reported to the user).
    bool WriteModemProfile(ModemProfile profile) const;
    // "RingbackGap", "RingbackWait" and "ModemCountry"; a value absent or not valid is the default.
    ModemCallSettings ReadModemCallSettings() const;
    bool WriteModemCallSettings(const ModemCallSettings& settings) const;
    // "ModemTraceFile": the file the session's modem dialogue goes to; empty for none.
    QString ReadModemTraceFile() const;
    bool WriteModemTraceFile(const QString& path) const;
    // Where the store lives.
    QString StorePath() const;

private:
    QString m_applicationName;
};
