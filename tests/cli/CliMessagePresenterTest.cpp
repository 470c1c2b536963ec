#include "cli/CliMessagePresenter.h"

#include <gtest/gtest.h>

TEST(CliMessagePresenter, KeepsTheFirstMessageShownWhileItLives)
{
    {
        CCliMessagePresenter presenter;
        EXPECT_FALSE(presenter.HasMessage());
        ShowMessageBox("No answer!", "Pravel", MessageIcon::Error);
        ShowMessageBox("Too many retries when communicating. Aborting!", "Pravel", MessageIcon::Error);
        EXPECT_TRUE(presenter.HasMessage());
        EXPECT_EQ(presenter.FirstMessage(), "No answer!");
    }
    // Gone with the object: a later message reaches nobody (and does not crash).
    ShowMessageBox("No answer!", "Pravel", MessageIcon::Error);
    CCliMessagePresenter next;
    EXPECT_FALSE(next.HasMessage());
}
