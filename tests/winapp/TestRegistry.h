// A settings key of the test's own under HKEY_CURRENT_USER\Software\Velmora, Sweden, named after
// the test and the process, removed when the object goes; and raw registry access that does not
// go through the code under test.
#pragma once

#include <windows.h>

#include <string>

class TestRegistry {
public:
    explicit TestRegistry(const std::string& test)
        : m_application("pravel-test-" + test + "-" + std::to_string(::GetCurrentProcessId()))
    {
        Remove();
    }
    ~TestRegistry() { Remove(); }
    TestRegistry(const TestRegistry&) = delete;
    TestRegistry& operator=(const TestRegistry&) = delete;

    const std::string& Application() const { return m_application; }
    std::string Path() const { return "Software\\Velmora, Sweden\\" + m_application; }

    bool KeyExists() const
    {
        HKEY key = nullptr;
        if (::RegOpenKeyExA(HKEY_CURRENT_USER, Path().c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
            return false;
        ::RegCloseKey(key);
        return true;
    }
    // The value's registry result; type and data (as stored, terminating zero included) filled on
    // success.
    LONG Query(const char* name, DWORD* type, std::string* data) const
    {
        char buffer[1024];
        DWORD size = sizeof buffer;
        LONG result = ::RegGetValueA(HKEY_CURRENT_USER, Path().c_str(), name, RRF_RT_ANY | RRF_NOEXPAND, type,
                                     buffer, &size);
        if (result == ERROR_SUCCESS)
            data->assign(buffer, size);
        return result;
    }
    // Stores data of the given type as it stands (size bytes).
    bool Set(const char* name, DWORD type, const void* data, DWORD size) const
    {
        HKEY key = nullptr;
        if (::RegCreateKeyExA(HKEY_CURRENT_USER, Path().c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                              nullptr) != ERROR_SUCCESS)
            return false;
        bool done = ::RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size) == ERROR_SUCCESS;
        ::RegCloseKey(key);
        return done;
    }
    bool SetText(const char* name, const std::string& text) const
    {
        return Set(name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
    }

private:
    void Remove() const { ::RegDeleteTreeA(HKEY_CURRENT_USER, Path().c_str()); }

    std::string m_application;
};
