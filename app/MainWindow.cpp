#include "app/MainWindow.h"

#include "render/Scene.h"
#include "render/SurfaceFormat.h"
#include "ui/WindowFrame.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QMouseEvent>
#include <QWheelEvent>
#include <cmath>

namespace {
// Frames drawn after the window was exposed or resized, however still the picture: the surface's
// new size may reach the driver a frame late.
constexpr std::int32_t settleFrames = 3;
} // namespace

MainWindow::MainWindow(const QString& title, int frameWidth, int frameHeight)
    : frameSize_(frameWidth, frameHeight) {
    setSurfaceType(QSurface::OpenGLSurface);
    setFormat(deviceSurfaceFormat());
    setTitle(title);
    // Without CustomizeWindowHint the window manager is asked for its default buttons,
    // maximize included.
    setFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
             Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    resize(frameSize_);
    // A definite place before the window is shown, so the settings dialog can be placed beside
    // it while it is still hidden.
    setFramePosition(QPoint(32, 32));
    create();
}

void MainWindow::showAtFrameSize() {
    show();
    const QMargins margins = waitUntilFramed(*this);
    const QSize clientSize(frameSize_.width() - margins.left() - margins.right(),
                           frameSize_.height() - margins.top() - margins.bottom());
    resize(clientSize);
    // The first frame waits for the new size, so that it is not drawn at the old one.
    const QDeadlineTimer deadline(1000);
    while (size() != clientSize && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

void MainWindow::mousePressEvent(QMouseEvent* event) {
    if (scene_ && event->button() == Qt::LeftButton)
        scene_->setDragging(true);
}

void MainWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (scene_ && event->button() == Qt::LeftButton)
        scene_->setDragging(false);
}

void MainWindow::mouseMoveEvent(QMouseEvent* event) {
    // Qt keeps delivering moves outside the window while the button is held, with coordinates
    // that may be negative; they are passed on signed so the direction of the drag stays right.
    if (scene_) {
        const QPointF position = event->position();
        scene_->onMouseMove(static_cast<std::int32_t>(std::lround(position.x())),
                            static_cast<std::int32_t>(std::lround(position.y())));
    }
}

void MainWindow::wheelEvent(QWheelEvent* event) {
    const QPoint delta = event->angleDelta();
    // A sideways wheel is a different gesture; only the vertical wheel moves the camera.
    const bool sideways = delta.y() == 0 && delta.x() != 0;
    // A touchpad's scrolling begins and ends with events that move nothing; they are not wheel
    // steps, although a wheel step's delta of 0 moves the camera away.
    const bool gestureWithoutMotion = event->phase() != Qt::NoScrollPhase && delta.isNull();
    if (scene_ && !sideways && !gestureWithoutMotion)
        scene_->onMouseWheel(static_cast<std::int16_t>(delta.y()));
}

bool MainWindow::event(QEvent* event) {
    // What was on screen may be gone: the next frame draws it again, still picture or not.
    if (scene_ && (event->type() == QEvent::Expose || event->type() == QEvent::Resize))
        scene_->requestRedraw(settleFrames);
    if (event->type() == QEvent::Close) {
        // Closing the window ends the run; the window object itself goes with the application.
        quitPosted_ = true;
        hide();
        event->accept();
        return true;
    }
    return QWindow::event(event);
}
