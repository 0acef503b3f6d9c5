#include <QCoreApplication>

#include <gtest/gtest.h>

// For tests of code that runs from a Qt event loop (timers, queued signals, D-Bus, the
// network): an application object around the whole run.
int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
