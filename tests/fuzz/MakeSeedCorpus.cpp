// Writes the fuzzers' starting corpora: small mesh files made by the project's own writer,
// morph group files covering the shapes the reader accepts, glTF models the importer accepts
// and capture recordings. Usage: fuzz_seed_corpus <directory>; the files go to <directory>/mesh,
// <directory>/groups, <directory>/gltf and <directory>/recordings.
#include "CompressedGltf.h"
#include "GltfModelBuilder.h"
#include "LiveLinkFaceBytes.h"
#include "MeshImages.h"
#include "TwoQuads.h"
#include "model/MeshFileWriter.h"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <osc/OscOutboundPacketStream.h>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;

void writeFile(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
}

std::vector<std::pair<std::string, std::string>> meshSeeds() {
    const std::vector<std::string> sevenTargets{"browInnerUp",  "eyeBlinkLeft", "eyeBlinkRight",
                                                "jawOpen",      "mouthSmile",   "cheekPuff",
                                                "noseSneerLeft"};
    MeshFileImage oddIndexCount = makeMeshImage({"a", "b"});
    oddIndexCount.indices.push_back(0);
    oddIndexCount.staticIndices.pop_back();
    MeshFileImage levels = makeMeshImage({"a", "b"});
    levels.headDetail = {{0.25f, {0, 1, 2}}, {0.5f, {0, 2, 3}}};
    levels.staticDetail = {{1.0f, {4, 3, 2}}};
    MeshFileImage turning = levels;
    turning.headTurn = HeadTurn{{0.0f, -30.0f, -10.0f}, {1.0f, 0.75f, 0.5f, 0.0f}, {}};
    turning.headTurn->staticWeights.assign(static_cast<std::size_t>(turning.staticVertexCount),
                                           1.0f);
    MeshFileImage noTriangles = makeMeshImage({"only"}, {.vertexCount = 0, .staticVertexCount = 0});
    noTriangles.indices.clear();
    noTriangles.staticIndices.clear();

    return {
        {"seven-targets.dat", encodeMeshFile(makeMeshImage(sevenTargets))},
        {"no-targets.dat", encodeMeshFile(makeMeshImage({}))},
        // An empty name, a zero byte inside a name, and a name used twice.
        {"odd-names.dat",
         encodeMeshFile(makeMeshImage({"", std::string("jaw\0open", 8), "smile", "smile"}))},
        {"wide-vertices.dat",
         encodeMeshFile(makeMeshImage({"browUp", "jawOpen"}, {.vertexCount = 3,
                                                              .staticVertexCount = 4,
                                                              .baseFloats = 9,
                                                              .targetFloats = 8,
                                                              .staticFloats = 10}))},
        {"odd-index-count.dat", encodeMeshFile(oddIndexCount)},
        {"no-vertices.dat", encodeMeshFile(noTriangles)},
        {"trailing-bytes.dat", encodeMeshFile(makeMeshImage({"a"})) + "trailing"},
        {"detail-levels.dat", encodeMeshFile(levels)},
        {"head-turn.dat", encodeMeshFile(turning)},
    };
}

std::vector<std::pair<std::string, std::string>> groupSeeds() {
    return {
        {"groups.xml", R"(<?xml version="1.0" encoding="UTF-8"?>
<MorphGroups>
    <Group name="Brows">
        <Target name="browInnerUp"/>
        <Target name="browDownLeft"/>
    </Group>
    <Group name="Mouth">
        <Target name="jawOpen"/>
        <Target name="mouthSmileLeft"/>
        <Target name="mouthSmileRight"/>
    </Group>
</MorphGroups>
)"},
        {"empty.xml", "<MorphGroups/>"},
        // Passed-over top-level nodes, any group tag, entities, and children before the first
        // <Target> that are not read.
        {"shapes.xml", R"(<?xml version="1.0"?>
<!-- head targets -->
<Other name="ignored"><Target name="notRead"/></Other>
<MorphGroups>
    <Anything name="Mouth &amp; Jaw &#x41;&#66;">
        <Note name="skipped"/><!-- skipped --><Target name="jawOpen"/><Shape name="lip"/>
    </Anything>
    <Group name="Eyes"></Group>
    <Group name="Eyes"><Target name="blink" extra='x'/></Group>
</MorphGroups>
<MorphGroups><Group name="second list"/></MorphGroups>
)"},
        {"bom-utf8.xml", "\xef\xbb\xbf<MorphGroups><G name=\"Br\xc3\xa9\"><Target name=\"x "
                         "y\"/></G></MorphGroups>"},
        {"doctype-cdata.xml", R"(<!DOCTYPE MorphGroups>
<MorphGroups>
  <Group name="a"><Target name="t"><![CDATA[ <not read> ]]></Target></Group>
</MorphGroups>
)"},
    };
}

} // namespace

// Both containers, every accessor form the importer reads, and a model with too few targets.
std::vector<std::pair<std::string, std::string>> gltfSeeds() {
    return {
        {"two-quads.gltf", twoQuadsGltf(dataUri(twoQuadsBin()))},
        {"test-head.glb", makeTestHead({6, 8, 7}).glb()},
        {"three-targets.gltf", makeTestHead({4, 6, 3}).gltfText()},
        {"meshopt.glb", meshoptGlb(makeTestHead({4, 6, 7}).model())},
        {"draco.glb", dracoGlb(makeTestHead({4, 6, 7}).model())},
    };
}

// A capture at 30 Hz with rotations and a lost row, one at 60 Hz, and a minimal one.
std::vector<std::pair<std::string, std::string>> recordingSeeds() {
    return {
        {"capture-30.csv",
         "Timecode,BlendShapeCount,EyeBlinkLeft,JawOpen,MouthClose,HeadYaw,HeadPitch,HeadRoll,"
         "LeftEyeYaw,LeftEyePitch,LeftEyeRoll,RightEyeYaw,RightEyePitch,RightEyeRoll\n"
         "19:43:52:05.483,12,0.1,0.25,0.01,0.02,-0.1,0.03,0.1,0.1,0,0.1,0.1,0\n"
         "19:43:52:06.512,0\n"
         "19:43:52:07.498,12,0.2,1.076,0.0,0.02,-0.1,0.03,0.1,0.1,0,0.1,0.1,0\n"},
        {"capture-60.csv", "timecode,blendshapecount,jawOpen,cheekPuff\r\n"
                           "00:00:00:58.000,2,0.5,0.5\r\n00:00:00:59.000,2,0.6,0.4\r\n"
                           "00:00:01:00.000,2,0.7,0.3\r\n"},
        {"one-row.csv", "Timecode,BlendShapeCount\n00:00:00:00,0\n"},
    };
}

std::string text(const std::vector<std::byte>& bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

// A tracked frame with the head turned, a lost one, and the older version.
std::vector<std::pair<std::string, std::string>> liveLinkFaceSeeds() {
    LiveLinkFaceBytes tracked;
    tracked.values[jawOpenValue] = 0.7f;
    tracked.values[headYawValue] = 0.3f;
    LiveLinkFaceBytes lost;
    lost.tracked = false;
    LiveLinkFaceBytes older;
    older.version = 5;
    return {{"tracked.bin", text(tracked.bytes())},
            {"lost.bin", text(lost.bytes())},
            {"version-5.bin", text(older.bytes())}};
}

// A bundle of a frame with bones and every number type, nested bundles, and single messages.
std::vector<std::pair<std::string, std::string>> vmcSeeds() {
    const auto packet = [](const auto& write) {
        std::vector<char> buffer(4096);
        osc::OutboundPacketStream stream(buffer.data(), buffer.size());
        write(stream);
        return std::string(stream.Data(), stream.Size());
    };
    const auto frame = [](osc::OutboundPacketStream& s) {
        s << osc::BeginMessage("/VMC/Ext/Blend/Val") << "JawOpen" << 0.5f << osc::EndMessage;
        s << osc::BeginMessage("/VMC/Ext/Blend/Val") << "Blink" << osc::int32(1) << osc::EndMessage;
        s << osc::BeginMessage("/VMC/Ext/Blend/Val") << "Smile" << 0.25 << osc::EndMessage;
        s << osc::BeginMessage("/VMC/Ext/Bone/Pos") << "Head" << 0.f << 1.5f << 0.f << 0.f << 0.2f
          << 0.f << 0.98f << osc::EndMessage;
        s << osc::BeginMessage("/VMC/Ext/Blend/Apply") << osc::EndMessage;
    };
    return {{"frame-bundle.osc", packet([&](auto& s) {
                 s << osc::BeginBundleImmediate;
                 frame(s);
                 s << osc::EndBundle;
             })},
            {"nested.osc", packet([&](auto& s) {
                 s << osc::BeginBundleImmediate << osc::BeginBundleImmediate;
                 frame(s);
                 s << osc::EndBundle << osc::EndBundle;
             })},
            {"value.osc", packet([](auto& s) {
                 s << osc::BeginMessage("/VMC/Ext/Blend/Val") << "JawOpen" << 0.5f
                   << osc::EndMessage;
             })},
            {"apply.osc", packet([](auto& s) {
                 s << osc::BeginMessage("/VMC/Ext/Blend/Apply") << osc::EndMessage;
             })}};
}

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: fuzz_seed_corpus <directory>\n";
        return 2;
    }
    const fs::path root = argv[1];
    const std::pair<const char*, std::vector<std::pair<std::string, std::string>>> corpora[] = {
        {"mesh", meshSeeds()},
        {"groups", groupSeeds()},
        {"gltf", gltfSeeds()},
        {"recordings", recordingSeeds()},
        {"live_link_face", liveLinkFaceSeeds()},
        {"vmc", vmcSeeds()}};
    for (const auto& [directory, seeds] : corpora) {
        fs::create_directories(root / directory);
        for (const auto& [name, bytes] : seeds)
            writeFile(root / directory / name, bytes);
    }
    return 0;
}
