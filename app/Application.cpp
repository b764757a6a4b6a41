#include "app/Application.h"

#include "app/FrameLoop.h"
#include "ui/SettingsDialog.h"

#include <QAbstractEventDispatcher>

namespace {

const char* const windowTitle = "[Interactive Demo Application] - Mirelda";

// Qt's event queue as the loop's message source.
class QtMessagePump final : public MessagePump {
  public:
    explicit QtMessagePump(const MainWindow& window) : window_(window) {}
    bool dispatchPending() override {
        return QAbstractEventDispatcher::instance()->processEvents(QEventLoop::AllEvents);
    }
    bool quitPosted() const override { return window_.quitPosted(); }

  private:
    const MainWindow& window_;
};

} // namespace

Application::Application(PerformanceClock& clock)
    : window_(std::make_unique<MainWindow>(QString::fromUtf8(windowTitle),
                                           mainWindowFrameSize.width, mainWindowFrameSize.height)),
      scene_(WindowTarget{window_.get(), width_, height_}),
      settingsDialog_(createSettingsDialog(window_.get(), &scene_.channelSet())), clock_(clock) {}

// The dialog goes before the scene whose channels it edits; the window goes last.
Application::~Application() {
    settingsDialog_.reset();
}

void Application::run() {
    window_->showAtFrameSize();
    QtMessagePump pump(*window_);
    runFrameLoop(clock_, pump, [this](float dt) { scene_.renderFrame(dt); });
}
