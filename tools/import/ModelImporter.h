#pragma once

// Imports a glTF 2.0 model with morph targets as the demo's head: the two files the demo reads
// from its working directory, data/meshes/headModelNew.dat and data/meshes/headModel.xml.
//
//     const ImportSummary summary = importModel("face.glb", "build/models/face");
//     std::cout << formatSummary(summary);
//
// Primitives with morph targets become the head (merged, targets matched by name), the others
// the static mesh; both are welded, reduced to 16-bit indices where needed, put in vertex-cache
// order and framed like the generated head; each vertex gets the share of the head's turn it
// follows (TurnWeights.h). Animations that drive morph weights or turn the head joint become
// recordings the player plays (MorphAnimations.h), an animation that cannot be one skipped with
// a warning; materials, textures, the skin's deformation and other animations are ignored. A fault
// throws ImportError, and nothing in the output directory has then changed.

#include "GltfDocument.h"
#include "MorphAnimations.h"
#include "model/MeshFileWriter.h"
#include "ui/MorphGroup.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

// The demo plays seven targets at once; a model with fewer gets rest-pose targets added.
inline constexpr std::size_t importedChannelCount = 7;

struct ImportedMeshCounts {
    std::size_t assembledVertices = 0; // from the file, before welding
    std::size_t weldedVertices = 0;
    std::size_t writtenVertices = 0; // fewer than welded when the mesh was simplified
    std::size_t writtenTriangles = 0;
    std::vector<std::size_t> levelTriangles; // the coarser levels of detail, finest first
};

// Which rule makes the head turn (TurnWeights.h) and about where, in the written mesh's space.
struct HeadTurnSummary {
    bool skin = false;
    std::string joint;       // the skin rule's head joint
    std::string neck;        // and its neck joint, empty for none
    std::string rigidReason; // the rigid rule: why ("no skin", ...)
    std::array<float, 3> pivot{};
};

struct ImportSummary {
    std::filesystem::path model;
    std::filesystem::path meshFile;  // empty until written
    std::filesystem::path groupFile; // empty until written
    int sceneIndex = 0;
    std::size_t meshNodes = 0;
    std::size_t primitives = 0;        // triangle primitives read
    std::size_t skippedPrimitives = 0; // points and lines
    ImportedMeshCounts head;
    ImportedMeshCounts staticMesh;
    bool staticMeshMissing = false; // the model had none: one degenerate triangle stands in
    HeadTurnSummary headTurn;
    std::vector<std::string> targetNames;  // as written, the padding at the end
    std::vector<std::string> paddingNames; // targets equal to the rest pose
    // Targets named as a recording's own columns (Timecode, HeadYaw, ...), as the file names
    // them; written with reservedNameSuffix.
    std::vector<std::string> renamedTargets;
    std::size_t groupCount = 0;
    std::size_t ignoredMaterials = 0;
    std::size_t ignoredTextures = 0;
    std::size_t ignoredImages = 0;
    std::size_t ignoredSkins = 0;
    std::size_t ignoredAnimations = 0;                 // without morph weights or head turns
    std::vector<std::string> skippedAnimations;        // one warning line each, saying why
    std::vector<std::filesystem::path> animationFiles; // empty until written
    double seconds = 0.0;
};

struct ImportedModel {
    MeshFileImage meshFile;
    std::vector<MorphGroup> groups;
    std::vector<MorphAnimation> animations;
    ImportSummary summary;
};

// Converts a .glb or .gltf image held in memory; relative URIs resolve against baseDirectory,
// and only files inside it are read (ExternalFiles::Refuse: none).
// Throws ImportError naming the fault.
ImportedModel convertGltf(std::span<const std::uint8_t> bytes,
                          const std::filesystem::path& baseDirectory,
                          ExternalFiles externalFiles = ExternalFiles::Read);

// Reads the model file, converts it and writes the mesh and group files and the animations
// under outputDirectory (created as needed) as one change (ImportOutput.h): temporary files
// renamed into place at the end, animations an earlier import wrote there and this one does not
// removed. Throws ImportError naming the fault; outputDirectory is then as it was, byte for
// byte.
ImportSummary importModel(const std::filesystem::path& model,
                          const std::filesystem::path& outputDirectory);

// The summary as lines for standard output: what was read, welded, reduced, padded and ignored,
// the output counts, the target names and the time taken.
std::string formatSummary(const ImportSummary& summary);
