#pragma once

#include "render/SceneHost.h"

#include <QWindow>

// The main window's title, for the demo and everything that opens its window.
inline constexpr const char* mainWindowTitle = "[Interactive Demo Application] - Mirelda";

// The window the head is drawn in: an OpenGL surface, created hidden, with minimize and close
// buttons but no maximize button. Dragging with the left button and the wheel reach the scene
// registered in it; closing it posts the quit that ends the frame loop.
class MainWindow final : public QWindow, public SceneHost {
  public:
    MainWindow(const QString& title, int frameWidth, int frameHeight);

    void setScene(Scene* scene) override { scene_ = scene; }
    Scene* scene() const { return scene_; }
    bool quitPosted() const { return quitPosted_; }

    // Shows the window and, once the window manager reports its frame, makes the frame (not
    // the client area) the size it was created with.
    void showAtFrameSize();

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    bool event(QEvent* event) override;

  private:
    Scene* scene_ = nullptr;
    bool quitPosted_ = false;
    QSize frameSize_;
};
