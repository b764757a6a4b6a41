#pragma once

#include "render/Scene.h"

#include <QImage>
#include <QWindow>
#include <memory>
#include <string>
#include <utility>
#include <vector>

// Targets and weights for the demo's seven channels; at most seven entries.
using Pose = std::vector<std::pair<std::string, float>>;

// Target `name` at full weight. mouthClose means something only over an open jaw, so it comes
// with one.
Pose fullWeightPose(const std::string& name);

// Pictures of the head through the demo's own scene: the real mesh file, shaders, textures and
// camera. The scene is built from the working directory's data/, as the demo builds it.
class HeadShots {
  public:
    HeadShots();

    // The 800 x 600 frame with the pose on the channels, seen from the start camera turned
    // by `yawDegrees` about the vertical axis.
    QImage shot(const Pose& pose, float yawDegrees = 0.0f);

    // The same frame from close in front of the face, so that small expressions show.
    QImage closeUp(const Pose& pose);

    // The target names in the mesh, byte-wise order.
    std::vector<std::string> targetNames() const;

    // Full detail for every mesh, or the coarsest level that looks the same (the default).
    void setFullDetail(bool fullDetail) { scene_->setFullDetail(fullDetail); }
    // The head's triangles in the last picture.
    std::int32_t headTriangles();

  private:
    QImage render(const Pose& pose);

    QWindow window_;
    std::unique_ptr<Scene> scene_;
    float yaw_ = 0.0f;
};
