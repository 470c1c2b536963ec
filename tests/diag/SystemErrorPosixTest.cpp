#include "diag/SystemError.h"

#include <cerrno>
#include <gtest/gtest.h>

TEST(SystemError, TellsTheKindsAUserCanActOnApart)
{
    EXPECT_EQ(ClassifySystemError(ENOENT), SystemErrorKind::NotFound);
    EXPECT_EQ(ClassifySystemError(ENODEV), SystemErrorKind::NotFound);
    EXPECT_EQ(ClassifySystemError(EACCES), SystemErrorKind::Permission);
    EXPECT_EQ(ClassifySystemError(EBUSY), SystemErrorKind::Busy);
    EXPECT_EQ(ClassifySystemError(EMFILE), SystemErrorKind::Resource);
    EXPECT_EQ(ClassifySystemError(ENOTTY), SystemErrorKind::NotATerminal);
    EXPECT_EQ(ClassifySystemError(EXDEV), SystemErrorKind::Unknown);
    EXPECT_EQ(SystemErrorText(EACCES), "Permission denied");
}
