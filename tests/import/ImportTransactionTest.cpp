// The importer's output as one change: a model whose animations cannot be written leaves the
// folder byte for byte as it was, and a new import takes away the animations of the one before.
#include "DirectorySnapshot.h"
#include "GltfModelBuilder.h"
#include "ImportError.h"
#include "ModelImporter.h"
#include "tests/support/TemporaryDirectory.h"

#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

fs::path headWithAnimations(const TemporaryDirectory& dir, const std::string& file,
                            const std::vector<std::string>& animations) {
    GltfModelBuilder builder = makeTestHead({.rings = 6, .segments = 8, .targetCount = 3});
    for (const std::string& name : animations)
        builder.addWeightAnimation(name, 0, {0, 1}, {0, 0, 0, 1, 1, 1});
    builder.write(dir.path() / file);
    return dir.path() / file;
}

TEST(ImportTransaction, AFaultInTheAnimationsLeavesTheFolderAsItWas) {
    TemporaryDirectory dir;
    const fs::path before = headWithAnimations(dir, "before.glb", {"Old"});
    const fs::path after = headWithAnimations(dir, "after.glb", {"Talk", "Blink"});
    const struct {
        std::string name;
        void (*block)(const fs::path& out);
        std::string fault;
    } cases[]{
        {"an animation's name taken by a folder",
         [](const fs::path& out) { fs::create_directories(out / "data/animations/Blink.csv/x"); },
         "Blink.csv: it is not a regular file"},
        {"the animations folder a plain file",
         [](const fs::path& out) {
             fs::remove_all(out / "data/animations");
             std::ofstream(out / "data/animations") << "not a folder";
         },
         "data/animations: a file that is not a directory is in the way"},
    };
    for (const auto& c : cases) {
        const fs::path out = dir.path() / ("out-" + std::to_string(&c - cases));
        importModel(before, out);
        std::ofstream(out / "data/animations/mine.csv") << "a take of the user's own";
        c.block(out);
        const auto was = snapshot(out);
        try {
            importModel(after, out);
            ADD_FAILURE() << c.name << ": imported";
        } catch (const ImportError& error) {
            EXPECT_THAT(error.what(), testing::HasSubstr(c.fault)) << c.name;
        }
        EXPECT_EQ(snapshot(out), was) << c.name;
    }
}

TEST(ImportTransaction, ANewImportRemovesTheAnimationsOfTheOneBefore) {
    TemporaryDirectory dir;
    const fs::path out = dir.path() / "out";
    importModel(headWithAnimations(dir, "first.glb", {"Talk", "take", "Blink"}), out);
    std::ofstream(out / "data/animations/mine.csv") << "a take of the user's own";
    const ImportSummary second =
        importModel(headWithAnimations(dir, "second.glb", {"Talk", "Take"}), out);
    EXPECT_THAT(second.animationFiles, testing::ElementsAre(out / "data/animations/Talk.csv",
                                                            out / "data/animations/Take.csv"));
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(out / "data/animations"))
        left.push_back(entry.path().filename().string());
    EXPECT_THAT(left, testing::UnorderedElementsAre("Talk.csv", "Take.csv", "mine.csv"));

    // A model without animations leaves none of its own behind, and no file it did not write.
    importModel(headWithAnimations(dir, "still.glb", {}), out);
    left.clear();
    for (const auto& entry : fs::directory_iterator(out / "data/animations"))
        left.push_back(entry.path().filename().string());
    EXPECT_THAT(left, testing::ElementsAre("mine.csv"));
}

} // namespace
