#include "HeadShots.h"

#include "ContactSheet.h"
#include "common/DemoError.h"

#include <glm/gtc/matrix_transform.hpp>

Pose fullWeightPose(const std::string& name) {
    if (name == "mouthClose")
        return {{"jawOpen", 1.0f}, {name, 1.0f}};
    return {{name, 1.0f}};
}

HeadShots::HeadShots() {
    window_.setSurfaceType(QSurface::OpenGLSurface);
    window_.resize(backBufferSize.width, backBufferSize.height);
    scene_ = std::make_unique<Scene>(WindowTarget{&window_});
}

QImage HeadShots::shot(const Pose& pose, float yawDegrees) {
    // The camera orbits the vertical axis as a mouse drag turns it.
    if (yawDegrees != yaw_) {
        scene_->camera().transform(glm::rotate(glm::mat4(1.0f), glm::radians(yawDegrees - yaw_),
                                               glm::vec3(0.0f, 1.0f, 0.0f)));
        yaw_ = yawDegrees;
    }
    return render(pose);
}

QImage HeadShots::closeUp(const Pose& pose) {
    Camera& camera = scene_->camera();
    const glm::vec3 eye = camera.eye(), target = camera.target();
    camera.init({0.0f, -34.0f, 200.0f}, {0.0f, -34.0f, 0.0f});
    QImage picture = render(pose);
    camera.init(eye, target);
    return picture;
}

QImage HeadShots::render(const Pose& pose) {
    MorphChannelSet& channels = scene_->channelSet();
    if (pose.size() > static_cast<std::size_t>(channels.channelCount()))
        throw DemoError("contact sheet: a pose uses more targets than there are channels");
    for (std::int32_t channel = 0; channel < channels.channelCount(); ++channel)
        channels.setChannelWeight(0.0f, channel);
    for (std::size_t i = 0; i < pose.size(); ++i) {
        const auto channel = static_cast<std::int32_t>(i);
        channels.setChannelTarget(pose[i].first, channel);
        channels.setChannelWeight(pose[i].second, channel);
    }
    return renderedPicture(*scene_);
}

std::vector<std::string> HeadShots::targetNames() const {
    std::vector<std::string> names;
    for (const auto& [name, buffer] : scene_->morphMesh().targetBuffers)
        names.push_back(name);
    return names;
}

std::int32_t HeadShots::headTriangles() {
    const std::int32_t indexBuffer = scene_->drawnHeadIndexBuffer();
    return indexBuffer < 0
               ? 0
               : static_cast<std::int32_t>(scene_->readIndexBuffer(indexBuffer).size() / 3);
}
