#include <QGuiApplication>

#include <gtest/gtest.h>

// Overlay windows need a GUI application: offscreen, they show without a display and draw with QPainter.
int main(int argc, char** argv)
{
    qputenv("TAVIK_RENDERER", "raster");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
