// Runs the window tests inside the program's own application object; the
// platform (offscreen) is chosen by the test runner's environment.

#include "TApplication.h"

#include <QStandardPaths>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // Listing the tests needs no window system.
    if (::testing::GTEST_FLAG(list_tests))
        return RUN_ALL_TESTS();
    // Qt's file dialog keeps its history in a settings file; tests keep
    // theirs apart from the user's.
    QStandardPaths::setTestModeEnabled(true);
    app::TApplication application(argc, argv);
    application.setQuitOnLastWindowClosed(false);
    return RUN_ALL_TESTS();
}
