#pragma once

#include <QAbstractNativeEventFilter>
#include <QWindow>

// Whether a window can be seen at all. Qt reports a minimised or unmapped window as not exposed;
// on X11 a window that other windows cover entirely still counts as exposed there, so the X
// server's visibility notices are watched as well, where the build has xcb and the program runs
// on X11. Elsewhere what Qt reports is all there is.
class WindowVisibility final : public QAbstractNativeEventFilter {
  public:
    explicit WindowVisibility(QWindow& window);
    ~WindowVisibility() override;
    WindowVisibility(const WindowVisibility&) = delete;
    WindowVisibility& operator=(const WindowVisibility&) = delete;

    bool visible() const { return window_.isExposed() && !fullyCovered_; }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

  private:
    QWindow& window_;
    bool watching_ = false;
    bool fullyCovered_ = false;
};
