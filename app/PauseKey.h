#pragma once

#include <QObject>
#include <functional>

// Space, pressed in any window of the program, calls toggle and goes no further (a list would
// take it as a selection). Installed on the application while it lives.
class PauseKey final : public QObject {
  public:
    explicit PauseKey(std::function<void()> toggle);
    ~PauseKey() override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    std::function<void()> toggle_;
};
