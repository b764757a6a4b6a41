#include "app/MainWindow.h"

#include "render/RenderDevice.h"

#include <gtest/gtest.h>

// The window exists before the device is made on it, so the device cannot give the surface its
// format any more: the window must carry it from its creation, or Qt's default swap interval
// of 1 makes every present wait for the display.
TEST(MainWindow, IsCreatedWithTheDevicesSurfaceFormat) {
    MainWindow window(QStringLiteral("test"), mainWindowFrameSize.width,
                      mainWindowFrameSize.height);
    ASSERT_NE(window.handle(), nullptr) << "created by its constructor";
    const RenderDevice device(WindowTarget{&window});
    const QSurfaceFormat surface = window.format();
    EXPECT_EQ(surface.swapInterval(), 0);
    EXPECT_EQ(surface.profile(), QSurfaceFormat::CoreProfile);
    EXPECT_GE(surface.version(), qMakePair(4, 5));
}
