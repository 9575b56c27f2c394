// SPDX-License-Identifier: GPL-3.0-or-later
// The sound tests run on a window thread with a Qt event loop, as the programs do.
#include <QCoreApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
