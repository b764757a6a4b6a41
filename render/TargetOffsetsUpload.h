#pragma once

#include "model/TargetOffsets.h"

#include <optional>
#include <string>
#include <vector>

class HeadMesh;
class RenderDevice;

// The textures for the head's targets in the order of the names given (each name's last block
// in the file, as the seven-channel path has it), packed straight into the device's mapped
// buffers. Nothing when there are more than maxTargetsAtOnce targets or the offsets would not
// fit the device's largest buffer texture: the head goes on with the seven channels.
std::optional<TargetOffsets> buildTargetOffsets(const HeadMesh& headMesh,
                                                const std::vector<std::string>& targetOrder,
                                                RenderDevice& device);
