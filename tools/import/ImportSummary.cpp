#include "GltfScene.h"
#include "ModelImporter.h"
#include "common/JoinedNames.h"

#include <cmath>
#include <cstdio>
#include <sstream>

namespace {

// "1 material", "3 textures".
std::string counted(std::size_t count, const std::string& noun) {
    return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

std::string meshLine(const ImportedMeshCounts& counts) {
    std::string line = std::to_string(counts.assembledVertices) + " vertices read, " +
                       std::to_string(counts.weldedVertices) + " after welding";
    if (counts.writtenVertices < counts.weldedVertices)
        line += ", simplified to " + std::to_string(counts.writtenVertices) + " for 16-bit indices";
    line += "; " + counted(counts.writtenTriangles, "triangle") + " written";
    if (!counts.levelTriangles.empty()) {
        line += ", levels of detail of";
        for (std::size_t level = 0; level < counts.levelTriangles.size(); ++level)
            line += (level == 0 ? " " : ", ") + std::to_string(counts.levelTriangles[level]);
        line += " triangles";
    }
    return line;
}

// "Head turn: skin, joint "J_Bip_C_Head" (neck "J_Bip_C_Neck"), pivot (0.0, 142.3, -8.1)".
std::string headTurnLine(const HeadTurnSummary& turn) {
    std::string line = "Head turn: ";
    if (turn.skin)
        line += "skin, joint \"" + turn.joint + "\" (" +
                (turn.neck.empty() ? "no neck joint" : "neck \"" + turn.neck + "\"") + ")";
    else
        line += "rigid (" + turn.rigidReason + ")";
    // What rounds to zero prints as 0.0, never -0.0.
    const auto shown = [&](int axis) {
        const double value = turn.pivot[static_cast<std::size_t>(axis)];
        return std::abs(value) < 0.05 ? 0.0 : value;
    };
    char pivot[96];
    std::snprintf(pivot, sizeof pivot, ", pivot (%.1f, %.1f, %.1f)", shown(0), shown(1), shown(2));
    return line + pivot;
}

} // namespace

std::string formatSummary(const ImportSummary& s) {
    std::ostringstream out;
    out << "Read " << s.model.string() << ": scene " << s.sceneIndex << ", "
        << counted(s.meshNodes, "mesh node") << ", " << counted(s.primitives, "triangle primitive")
        << "\n";
    out << "Head: " << meshLine(s.head) << "\n";
    if (s.staticMeshMissing)
        out << "Static mesh: none in the model (one invisible triangle written, the demo needs "
               "one)\n";
    else
        out << "Static mesh: " << meshLine(s.staticMesh) << "\n";
    out << headTurnLine(s.headTurn) << "\n";
    const std::size_t own = s.targetNames.size() - s.paddingNames.size();
    out << "Targets (" << own << "): "
        << joinedNames(
               {s.targetNames.begin(), s.targetNames.begin() + static_cast<std::ptrdiff_t>(own)})
        << "\n";
    if (!s.renamedTargets.empty())
        out << "Renamed " << counted(s.renamedTargets.size(), "target")
            << " a recording reads as its own column, adding \"" << reservedNameSuffix
            << "\": " << joinedNames(s.renamedTargets) << "\n";
    if (!s.paddingNames.empty())
        out << "Padded to " << importedChannelCount << " channels with "
            << counted(s.paddingNames.size(), "rest-pose target")
            << " (kept out of the groups): " << joinedNames(s.paddingNames) << "\n";
    out << "Groups: " << s.groupCount << "\n";
    out << "Ignored: " << counted(s.ignoredMaterials, "material") << ", "
        << counted(s.ignoredTextures, "texture") << ", " << counted(s.ignoredImages, "image")
        << " (Mirelda shades procedurally), " << counted(s.ignoredSkins, "skin")
        << " (rest pose used), " << counted(s.ignoredAnimations, "animation")
        << " without morph weights or a head turn, "
        << counted(s.skippedPrimitives, "point or line primitive") << "\n";
    if (!s.meshFile.empty())
        out << "Wrote " << s.meshFile.string() << " and " << s.groupFile.string() << "\n";
    for (const auto& animation : s.animationFiles)
        out << "Wrote animation " << animation.string() << "\n";
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.2f", s.seconds);
    out << "Time: " << seconds << " s\n";
    return out.str();
}
