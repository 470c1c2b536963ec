// A folder of the test's own under the system's temporary folder, removed with what it holds when
// the object goes.
#pragma once

#include <windows.h>

#include <filesystem>
#include <string>

class TestFolder {
public:
    explicit TestFolder(const std::string& test)
    {
        char temp[MAX_PATH];
        DWORD length = ::GetTempPathA(MAX_PATH, temp);
        m_path = std::string(temp, length) + "pravel-" + test + "-" + std::to_string(::GetCurrentProcessId());
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
        std::filesystem::create_directories(m_path);
    }
    ~TestFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;

    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};
