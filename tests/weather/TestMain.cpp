#include <QCoreApplication>

#include <gtest/gtest.h>

// The weather code runs from a Qt event loop, so the tests need an application object.
int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
