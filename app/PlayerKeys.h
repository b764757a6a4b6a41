#pragma once

#include <QObject>
#include <Qt>
#include <functional>
#include <vector>

// The player's keys, pressed in any window of the program: each calls its action and goes no
// further (a list would take Space as a selection). Installed on the application while it lives.
struct PlayerKey {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    std::function<void()> action;
};

class PlayerKeys final : public QObject {
  public:
    explicit PlayerKeys(std::vector<PlayerKey> keys);
    ~PlayerKeys() override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    std::vector<PlayerKey> keys_;
};
