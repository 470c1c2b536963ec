#include "diag/SystemError.h"

#include <windows.h>

#include <gtest/gtest.h>
#include <string>

#include "diag/Trace.h"

TEST(SystemErrorWin, TellsTheWin32KindsAUserCanActOnApart)
{
    const struct {
        DWORD code;
        SystemErrorKind kind;
    } cases[] = {
        {ERROR_SUCCESS, SystemErrorKind::None},
        {ERROR_FILE_NOT_FOUND, SystemErrorKind::NotFound},
        {ERROR_PATH_NOT_FOUND, SystemErrorKind::NotFound},
        {ERROR_ACCESS_DENIED, SystemErrorKind::Permission},
        {ERROR_SHARING_VIOLATION, SystemErrorKind::Busy},
        {ERROR_BUSY, SystemErrorKind::Busy},
        {ERROR_INVALID_FUNCTION, SystemErrorKind::NotATerminal},
        {ERROR_NOT_SUPPORTED, SystemErrorKind::NotATerminal},
        {ERROR_BAD_COMMAND, SystemErrorKind::NotATerminal},
        {ERROR_TOO_MANY_OPEN_FILES, SystemErrorKind::Resource},
        {ERROR_DISK_FULL, SystemErrorKind::Resource},
        {ERROR_GEN_FAILURE, SystemErrorKind::Io},
        {ERROR_BROKEN_PIPE, SystemErrorKind::Io},
        {ERROR_INVALID_HANDLE, SystemErrorKind::InvalidHandle},
        {ERROR_ALREADY_EXISTS, SystemErrorKind::Unknown},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ClassifySystemError(static_cast<int>(c.code)), c.kind) << "code " << c.code;
}

TEST(SystemErrorWin, LastSystemErrorIsTheThreadsLastError)
{
    ::SetLastError(ERROR_SHARING_VIOLATION);
    EXPECT_EQ(LastSystemError(), ERROR_SHARING_VIOLATION);
}

TEST(SystemErrorWin, UserTextIsTheSystemTextWithoutItsLineEnd)
{
    const std::string text = SystemErrorText(ERROR_SHARING_VIOLATION);
    ASSERT_FALSE(text.empty());
    EXPECT_NE(text.back(), '\n');
    EXPECT_NE(text.back(), '\r');
    char system[512];
    ASSERT_EQ(FormatLastError(ERROR_SHARING_VIOLATION, system, sizeof system), system);
    EXPECT_EQ(std::string(system).rfind(text, 0), 0u);
}
