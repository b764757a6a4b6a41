#include "app/MainWindow.h"

#include "render/RenderDevice.h"
#include "render/Scene.h"

#include <QTest>
#include <QWheelEvent>
#include <glm/geometric.hpp>
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

// Mouse input reaches the real scene only as the demo's window procedure passes it on: the left
// button drags, only the vertical wheel and a touchpad's strokes move, and moves outside the
// window keep their sign.
TEST(MainWindow, PassesOnlyTheDemosGesturesToTheScene) {
    MainWindow window(QStringLiteral("test"), mainWindowFrameSize.width,
                      mainWindowFrameSize.height);
    Scene scene(WindowTarget{&window});
    window.showAtFrameSize();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_EQ(window.frameGeometry().size(),
              QSize(mainWindowFrameSize.width, mainWindowFrameSize.height));
    scene.renderFrame(1.0f / 60.0f); // input steps scale with the last frame's time
    const glm::vec3 startEye = scene.camera().eye();

    auto wheel = [&](QPoint angleDelta, Qt::ScrollPhase phase = Qt::NoScrollPhase) {
        QWheelEvent event(QPointF(100, 100), window.mapToGlobal(QPointF(100, 100)), QPoint(),
                          angleDelta, Qt::NoButton, Qt::NoModifier, phase, false);
        QCoreApplication::sendEvent(&window, &event);
    };
    auto distance = [&] { return glm::length(scene.camera().eye() - scene.camera().target()); };
    for (const Qt::MouseButton button : {Qt::RightButton, Qt::MiddleButton}) {
        QTest::mousePress(&window, button, {}, QPoint(100, 100));
        QTest::mouseMove(&window, QPoint(160, 100));
        QTest::mouseRelease(&window, button, {}, QPoint(160, 100));
    }
    wheel(QPoint(120, 0));
    EXPECT_EQ(scene.camera().eye(), startEye);

    QTest::mousePress(&window, Qt::LeftButton, {}, QPoint(100, 100));
    QTest::mouseMove(&window, QPoint(160, 100)); // to the right: the eye turns toward +x
    const float turnedRight = scene.camera().eye().x;
    EXPECT_GT(turnedRight, startEye.x);
    // Left of the window: read as unsigned 16 bits this would be a move far to the right.
    QTest::mouseMove(&window, QPoint(-40, 100));
    EXPECT_LT(scene.camera().eye().x, turnedRight);
    QTest::mouseRelease(&window, Qt::LeftButton, {}, QPoint(-40, 100));

    const float start = distance();
    wheel(QPoint(0, 120));
    const float closer = distance();
    EXPECT_LT(closer, start);
    // A touchpad stroke: its begin and end carry no delta and move nothing, its updates step.
    wheel(QPoint(), Qt::ScrollBegin);
    EXPECT_EQ(distance(), closer);
    wheel(QPoint(0, 15), Qt::ScrollUpdate);
    const float stroked = distance();
    EXPECT_LT(stroked, closer);
    wheel(QPoint(), Qt::ScrollEnd);
    EXPECT_EQ(distance(), stroked);
    // A wheel step of 0 still moves away.
    wheel(QPoint());
    EXPECT_GT(distance(), stroked);
}
