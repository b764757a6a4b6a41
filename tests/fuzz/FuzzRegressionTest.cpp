// Runs the fuzz targets over their seed corpora and over every input that once broke a reader,
// so the normal suite keeps them fixed. A reader that crashes or trips a sanitizer ends this
// process; a reader that reads an accepted file wrongly throws FuzzFinding.
#include "FuzzTargets.h"
#include "ModelImporter.h"
#include "live/LiveLinkFacePacket.h"
#include "live/VmcPacket.h"
#include "model/MeshFile.h"
#include "play/Recording.h"
#include "ui/MorphGroupFile.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::vector<fs::path> filesIn(const fs::path& directory) {
    std::vector<fs::path> files;
    if (fs::is_directory(directory))
        for (const fs::directory_entry& entry : fs::directory_iterator(directory))
            if (entry.is_regular_file())
                files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

std::vector<std::uint8_t> bytesOf(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Every file of the corpus goes through the target; returns how many there were.
std::size_t runCorpus(const fs::path& directory, void (*target)(std::span<const std::uint8_t>)) {
    const std::vector<fs::path> files = filesIn(directory);
    for (const fs::path& file : files)
        EXPECT_NO_THROW(target(bytesOf(file))) << file;
    return files.size();
}

const fs::path seeds = MIRELDA_FUZZ_SEED_DIR;
const fs::path regressions = MIRELDA_FUZZ_REGRESSION_DIR;

TEST(FuzzRegressions, MeshFileReaderReadsItsSeedsAndSurvivesFoundInputs) {
    // The seeds are well-formed files: the fuzzer's mutations start from what the reader accepts.
    const std::vector<fs::path> seedFiles = filesIn(seeds / "mesh");
    ASSERT_GE(seedFiles.size(), 5u);
    for (const fs::path& file : seedFiles)
        EXPECT_NO_THROW(readMeshFile(file.string())) << file;

    EXPECT_EQ(runCorpus(seeds / "mesh", fuzzMeshFile), seedFiles.size());
    // No input has broken this reader yet; any that does joins the directory.
    runCorpus(regressions / "mesh", fuzzMeshFile);
}

TEST(FuzzRegressions, MorphGroupReaderReadsItsSeedsAndSurvivesFoundInputs) {
    const std::vector<fs::path> seedFiles = filesIn(seeds / "groups");
    ASSERT_GE(seedFiles.size(), 4u);
    for (const fs::path& file : seedFiles)
        EXPECT_NO_THROW(loadMorphGroups(file.string())) << file;

    EXPECT_EQ(runCorpus(seeds / "groups", fuzzMorphGroupFile), seedFiles.size());
    // Files on which TinyXML stepped past the end of its text.
    EXPECT_GE(runCorpus(regressions / "groups", fuzzMorphGroupFile), 3u);
}

TEST(FuzzRegressions, GltfImporterImportsItsSeedsAndSurvivesFoundInputs) {
    const std::vector<fs::path> seedFiles = filesIn(seeds / "gltf");
    ASSERT_GE(seedFiles.size(), 3u);
    for (const fs::path& file : seedFiles)
        EXPECT_NO_THROW(convertGltf(bytesOf(file), "/nonexistent", ExternalFiles::Refuse)) << file;

    EXPECT_EQ(runCorpus(seeds / "gltf", fuzzGltfImport), seedFiles.size());
    runCorpus(regressions / "gltf", fuzzGltfImport);
}

TEST(FuzzRegressions, RecordingReaderReadsItsSeedsAndSurvivesFoundInputs) {
    const std::vector<fs::path> seedFiles = filesIn(seeds / "recordings");
    ASSERT_GE(seedFiles.size(), 3u);
    for (const fs::path& file : seedFiles)
        EXPECT_NO_THROW(readRecording(file)) << file;

    EXPECT_EQ(runCorpus(seeds / "recordings", fuzzRecording), seedFiles.size());
    runCorpus(regressions / "recordings", fuzzRecording);
}

} // namespace

namespace {

TEST(FuzzRegressions, LivePacketParsersTakeTheirSeedsAndSurviveFoundInputs) {
    // The seeds are accepted datagrams, so that mutations start from what the parsers take.
    LiveFrame frame;
    for (const fs::path& file : filesIn(seeds / "live_link_face")) {
        const std::vector<std::uint8_t> bytes = bytesOf(file);
        EXPECT_FALSE(parseLiveLinkFace(std::as_bytes(std::span(bytes)), frame)) << file;
    }
    std::vector<VmcMessage> messages;
    for (const fs::path& file : filesIn(seeds / "vmc")) {
        const std::vector<std::uint8_t> bytes = bytesOf(file);
        EXPECT_FALSE(parseVmcPacket(std::as_bytes(std::span(bytes)), messages)) << file;
        EXPECT_FALSE(messages.empty()) << file;
    }
    for (const auto& [corpus, target] :
         {std::pair{"live_link_face", &fuzzLiveLinkFace}, std::pair{"vmc", &fuzzVmc}}) {
        EXPECT_GE(runCorpus(seeds / corpus, target), 3u) << corpus;
        runCorpus(regressions / corpus, target);
    }
}

} // namespace
