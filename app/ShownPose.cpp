#include "app/ShownPose.h"

#include "play/StrongestChannels.h"
#include "render/Scene.h"

void showPose(const PoseSource& source, const HeadTurnSettings& headTurn,
              const std::vector<std::string>& targetNames, Scene& scene, std::vector<float>& pose) {
    source.pose(pose);
    scene.setPose(pose);
    if (const std::optional<HeadAngles> angles = source.headAngles())
        scene.setHeadRotation(shownHeadRotation(*angles, headTurn));
    if (!scene.drawsAllTargets())
        showStrongestOnChannels(pose, targetNames, scene.channelSet());
}
