// The main of widget tests: a real QApplication on Qt's offscreen platform.
#include "app/sound.h"
#include "support/temporaryhome.h"

#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char **argv)
{
    // A desktop-sized screen (offscreen's own is 800 x 600, too small for the open drawer).
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" HUSHWELL_OFFSCREEN_CONFIG);
    chooseMediaBackend();
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new TemporaryHome);
    return RUN_ALL_TESTS();
}
