#include <QCoreApplication>

#include <gtest/gtest.h>

// An application object around the whole run, for code that runs from a Qt event loop.
int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
