// pravel.exe as a program: --version and --help print and end with 0, an unknown argument ends
// with 2 and says which. Its output is sent to files, as a console would take it.
#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>

#include "TestFolder.h"

namespace {

struct ProgramRun {
    DWORD status = 0xFFFFFFFF;
    std::string out;
    std::string err;
};

std::string ProgramPath()
{
    char path[MAX_PATH];
    DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length);
    folder.erase(folder.find_last_of('\\'));
    return folder + "\\..\\bin\\pravel.exe";
}

HANDLE OutputFile(const std::string& path)
{
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    return ::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
}

std::string ReadFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

bool RunProgram(const std::string& arguments, ProgramRun* run)
{
    TestFolder folder("program");
    const std::string outPath = folder.Path() + "\\out.txt";
    const std::string errPath = folder.Path() + "\\err.txt";
    HANDLE out = OutputFile(outPath);
    HANDLE err = OutputFile(errPath);
    if (out == INVALID_HANDLE_VALUE || err == INVALID_HANDLE_VALUE)
        return false;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nullptr;
    startup.hStdOutput = out;
    startup.hStdError = err;
    PROCESS_INFORMATION process = {};
    std::string command = "\"" + ProgramPath() + "\" " + arguments;
    BOOL started = ::CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                                    &process);
    ::CloseHandle(out);
    ::CloseHandle(err);
    if (!started)
        return false;
    DWORD waited = ::WaitForSingleObject(process.hProcess, 60000);
    if (waited == WAIT_OBJECT_0)
        ::GetExitCodeProcess(process.hProcess, &run->status);
    else
        ::TerminateProcess(process.hProcess, 99);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    run->out = ReadFile(outPath);
    run->err = ReadFile(errPath);
    return waited == WAIT_OBJECT_0;
}

} // namespace

TEST(PravelExe, VersionPrintsTheNameAndVersion)
{
    ProgramRun run;
    ASSERT_TRUE(RunProgram("--version", &run)) << ProgramPath();
    EXPECT_EQ(run.status, 0u);
    // Standard output is in text mode, as a console program's is.
    EXPECT_EQ(run.out, "pravel " PRAVEL_VERSION "\r\n");
    EXPECT_EQ(run.err, "");
}

TEST(PravelExe, HelpPrintsTheUsage)
{
    ProgramRun run;
    ASSERT_TRUE(RunProgram("--help", &run));
    EXPECT_EQ(run.status, 0u);
    EXPECT_NE(run.out.find("Usage: pravel.exe"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("--simulate"), std::string::npos);
}

TEST(PravelExe, AnUnknownArgumentEndsWithStatus2)
{
    ProgramRun run;
    ASSERT_TRUE(RunProgram("--bogus", &run));
    EXPECT_EQ(run.status, 2u);
    EXPECT_NE(run.err.find("'--bogus'"), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "");
}
