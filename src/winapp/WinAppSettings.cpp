#include "winapp/WinAppSettings.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <utility>
#include <vector>

#include "diag/Trace.h"

namespace {

// Closes the key it holds.
class CRegKey {
public:
    CRegKey() = default;
    ~CRegKey()
    {
        if (m_key == nullptr)
            return;
        LONG result = ::RegCloseKey(m_key);
        if (result != ERROR_SUCCESS)
            TRACE_LAST_ERROR(static_cast<uint32_t>(result), "Settings: RegCloseKey: ");
    }
    CRegKey(const CRegKey&) = delete;
    CRegKey& operator=(const CRegKey&) = delete;

    HKEY* Receive() { return &m_key; }
    HKEY Get() const { return m_key; }

private:
    HKEY m_key = nullptr;
};

// Opens (creating when missing, for reading and writing) parent\name.
bool CreateKey(HKEY parent, const char* name, CRegKey* key)
{
    LONG result = ::RegCreateKeyExA(parent, name, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE,
                                    nullptr, key->Receive(), nullptr);
    if (result != ERROR_SUCCESS) {
        TRACE_LAST_ERROR(static_cast<uint32_t>(result), "Settings: RegCreateKeyExA: ");
        return false;
    }
    return true;
}

// HKEY_CURRENT_USER\Software, then the company key, then the application key, each created when
// missing.
bool OpenApplicationKey(const std::string& applicationName, CRegKey* key)
{
    CRegKey software;
    CRegKey company;
    return CreateKey(HKEY_CURRENT_USER, "Software", &software) &&
           CreateKey(software.Get(), SettingsOrganisation, &company) &&
           CreateKey(company.Get(), applicationName.c_str(), key);
}

} // namespace

CWinAppSettings::CWinAppSettings(std::string applicationName) : m_applicationName(std::move(applicationName)) {}

std::string CWinAppSettings::KeyPath() const
{
    return std::string("Software\\") + SettingsOrganisation + "\\" + m_applicationName;
}

bool CWinAppSettings::ReadText(const char* valueName, std::string* value) const
{
    CRegKey key;
    if (!OpenApplicationKey(m_applicationName, &key))
        return false;
    DWORD type = 0;
    DWORD size = 0;
    LONG result = ::RegQueryValueExA(key.Get(), valueName, nullptr, &type, nullptr, &size);
    if (result == ERROR_FILE_NOT_FOUND)
        return false; // not stored: the usual first run, no trace
    if (result != ERROR_SUCCESS) {
        TRACE_LAST_ERROR(static_cast<uint32_t>(result), "Settings: RegQueryValueExA: ");
        return false;
    }
    if (type != REG_SZ) {
        TracePrintf("Settings: the value %s is of registry type %lu, not a text", valueName, static_cast<unsigned long>(type));
        return false;
    }
    // The value may change between the two queries: ask again while it grows.
    std::vector<char> data(size + 1);
    for (;;) {
        DWORD room = static_cast<DWORD>(data.size() - 1);
        result = ::RegQueryValueExA(key.Get(), valueName, nullptr, &type,
                                    reinterpret_cast<BYTE*>(data.data()), &room);
        if (result == ERROR_MORE_DATA) {
            data.resize(room + 1);
            continue;
        }
        if (result != ERROR_SUCCESS) {
            TRACE_LAST_ERROR(static_cast<uint32_t>(result), "Settings: RegQueryValueExA: ");
            return false;
        }
        if (type != REG_SZ)
            return false;
        // A stored text need not carry its terminating zero.
        data[room] = '\0';
        *value = data.data();
        return true;
    }
}

bool CWinAppSettings::WriteText(const char* valueName, const std::string& value) const
{
    CRegKey key;
    if (!OpenApplicationKey(m_applicationName, &key))
        return false;
    LONG result = ::RegSetValueExA(key.Get(), valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                   static_cast<DWORD>(value.size() + 1));
    if (result != ERROR_SUCCESS) {
        TRACE_LAST_ERROR(static_cast<uint32_t>(result), "Settings: RegSetValueExA: ");
        return false;
    }
    return true;
}

std::string CWinAppSettings::ReadComPort() const
{
    std::string name;
    if (!ReadText(ComPortValueName, &name) || name.empty())
        return DefaultComPort;
    return name;
}

bool CWinAppSettings::WriteComPort(const std::string& name) const
{
    return WriteText(ComPortValueName, name);
}

ModemProfile CWinAppSettings::ReadModemProfile() const
{
    std::string name;
    if (!ReadText(ModemProfileValueName, &name))
        return ModemProfile::Auto;
    return ParseModemProfile(name).value_or(ModemProfile::Auto);
}

std::string CWinAppSettings::ReadModemTraceFile() const
{
    std::string path;
    return ReadText(ModemTraceFileValueName, &path) ? path : std::string();
}

bool CWinAppSettings::WriteModemProfile(ModemProfile profile) const
{
    return WriteText(ModemProfileValueName, ModemProfileName(profile));
}

ModemCallSettings CWinAppSettings::ReadModemCallSettings() const
{
    return ModemCallSettingsFromStore([this](const char* name) {
        std::string value;
        return ReadText(name, &value) ? value : std::string();
    });
}

bool CWinAppSettings::WriteModemCallSettings(const ModemCallSettings& settings) const
{
    return WriteText(RingbackGapValueName, std::to_string(settings.ringbackGapTenths)) &&
           WriteText(RingbackWaitValueName, std::to_string(settings.ringbackWaitSeconds)) &&
           WriteText(ModemCountryValueName, settings.country);
}

std::string CWinAppSettings::ModuleBaseName()
{
    std::vector<char> path(MAX_PATH);
    for (;;) {
        DWORD length = ::GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            TRACE_LAST_ERROR(::GetLastError(), "Settings: GetModuleFileNameA: ");
            return "pravel";
        }
        if (length < path.size()) {
            std::string file(path.data(), length);
            size_t slash = file.find_last_of("\\/");
            if (slash != std::string::npos)
                file.erase(0, slash + 1);
            size_t dot = file.find_last_of('.');
            if (dot != std::string::npos && dot > 0)
                file.erase(dot);
            return file;
        }
        path.resize(path.size() * 2);
    }
}
