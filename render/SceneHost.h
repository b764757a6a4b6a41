#pragma once

class Scene;

// The window's user-data slot: the window that shows the scene finds it here to pass mouse
// input on. The scene registers itself once it is complete and clears the slot when it goes.
class SceneHost {
  public:
    virtual void setScene(Scene* scene) = 0;

  protected:
    ~SceneHost() = default;
};
