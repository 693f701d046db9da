// SPDX-License-Identifier: GPL-3.0-or-later
#include <QCoreApplication>
#include <gtest/gtest.h>

#include "testenvironment.h"

// The suites that need no window run inside a QCoreApplication, with a private settings store
// and private home folders, so no test touches the user's own files or settings.
int main(int argc, char **argv)
{
    tavrel::test::isolateUserFolders();
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
