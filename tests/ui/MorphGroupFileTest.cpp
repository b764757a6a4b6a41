#include "ui/MorphGroupFile.h"

#include "common/DemoError.h"
#include "model/MorphGroupFileWriter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

class MorphGroupFileTest : public ::testing::Test {
  protected:
    std::string write(const std::string& content, const QString& name = "groups.xml") {
        const QString path = directory_.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content.data(), static_cast<qint64>(content.size()));
        return path.toStdString();
    }

    std::vector<MorphGroup> load(const std::string& content) {
        return loadMorphGroups(write(content));
    }

    // The reason must name the file and say what is wrong with it.
    void expectRejected(const std::string& content, const std::string& reasonPart) {
        const std::string path = write(content);
        try {
            loadMorphGroups(path);
            ADD_FAILURE() << "accepted: " << content;
        } catch (const DemoError& error) {
            const std::string reason = error.what();
            EXPECT_NE(reason.find(path), std::string::npos) << reason;
            EXPECT_NE(reason.find(reasonPart), std::string::npos) << reason;
        }
    }

    QTemporaryDir directory_;
};

using Names = std::vector<std::string>;

TEST_F(MorphGroupFileTest, ReadsGroupsAndTargetsInDocumentOrder) {
    const auto groups = load(R"(<?xml version="1.0"?>
<!-- head targets -->
<Other name="ignored"><Target name="notRead"/></Other>
<MorphGroups>
    <Group name="Eyes">
        <Target name="blink"/>
        <Target name="squint"/>
    </Group>
    <Anything name="Mouth &amp; Jaw">
        <Target name="jawOpen"/>
        <Target name="blink"/>
    </Anything>
    <Group name="Eyes"><Target name="browUp"/></Group>
</MorphGroups>
<MorphGroups><Group name="second list is not read"/></MorphGroups>)");

    ASSERT_EQ(groups.size(), 3u);
    EXPECT_EQ(groups[0].name, "Eyes");
    EXPECT_EQ(groups[0].targetNames, (Names{"blink", "squint"}));
    // Any tag makes a group; entities arrive decoded.
    EXPECT_EQ(groups[1].name, "Mouth & Jaw");
    // A target may stand in several groups, and two groups may share a name.
    EXPECT_EQ(groups[1].targetNames, (Names{"jawOpen", "blink"}));
    EXPECT_EQ(groups[2].name, "Eyes");
    EXPECT_EQ(groups[2].targetNames, (Names{"browUp"}));
}

TEST_F(MorphGroupFileTest, ReadsTargetsOnlyFromTheFirstTargetOn) {
    const auto groups = load(R"(<MorphGroups>
    <Group name="NoTargets"><Note name="a"/><Shape name="b"/></Group>
    <Group name="Empty"/>
    <Group name="Late"><Info name="skipped"/><!-- skipped --><Target name="first"/><Shape name="second"/></Group>
</MorphGroups>)");

    ASSERT_EQ(groups.size(), 3u);
    EXPECT_TRUE(groups[0].targetNames.empty());
    EXPECT_TRUE(groups[1].targetNames.empty());
    // From the first <Target> on every sibling is a target, whatever its tag.
    EXPECT_EQ(groups[2].targetNames, (Names{"first", "second"}));
}

TEST_F(MorphGroupFileTest, EmptyGroupListAndNamesAsBytes) {
    EXPECT_TRUE(load("<MorphGroups/>").empty());
    EXPECT_TRUE(load("<MorphGroups>\n  \n</MorphGroups>").empty());

    const auto groups =
        load("<MorphGroups><G name=\"Br\xc3\xa9\"><Target name=\"x y\"/></G></MorphGroups>");
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0].name, "Br\xc3\xa9");
    EXPECT_EQ(groups[0].targetNames, (Names{"x y"}));
}

TEST_F(MorphGroupFileTest, DefaultPathIsRelativeToTheWorkingDirectory) {
    ASSERT_TRUE(QDir(directory_.path()).mkpath("data/meshes"));
    write("<MorphGroups><Group name=\"Eyes\"><Target name=\"blink\"/></Group></MorphGroups>",
          "data/meshes/headModel.xml");
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(directory_.path()));
    std::vector<MorphGroup> groups;
    EXPECT_NO_THROW(groups = loadMorphGroups());
    QDir::setCurrent(previous);
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0].targetNames, (Names{"blink"}));

    QTemporaryDir emptyDirectory;
    ASSERT_TRUE(QDir::setCurrent(emptyDirectory.path()));
    EXPECT_THROW(loadMorphGroups(), DemoError);
    QDir::setCurrent(previous);
}

TEST_F(MorphGroupFileTest, RejectsFilesThatCannotBeRead) {
    const std::string missing = directory_.filePath("missing.xml").toStdString();
    EXPECT_THROW(loadMorphGroups(missing), DemoError);
    EXPECT_THROW(loadMorphGroups(directory_.path().toStdString()), DemoError);
    const std::string loop = directory_.filePath("loop.xml").toStdString();
    std::filesystem::create_symlink(loop, loop);
    try {
        loadMorphGroups(loop);
        ADD_FAILURE() << "a symbolic link loop was read";
    } catch (const DemoError& error) {
        EXPECT_NE(std::string(error.what()).find("loop of symbolic links"), std::string::npos)
            << error.what();
    }
    expectRejected("", "the file is empty");
    expectRejected("Just some notes, no markup.\n", "is not XML");
    // The parser's own description and the row of the fault are part of the reason.
    expectRejected("<MorphGroups>\n<Group name=\"a\">\n</MorphGroups>", "row 3");
    expectRejected("<MorphGroups><Group name=\"a></MorphGroups>", "row 1");
}

TEST_F(MorphGroupFileTest, RejectsFilesOfTheWrongShape) {
    expectRejected("<Groups><Group name=\"a\"/></Groups>", "no top-level <MorphGroups>");
    expectRejected("<Root><MorphGroups/></Root>", "no top-level <MorphGroups>");
    expectRejected("<!--MorphGroups--><Other/>", "no top-level <MorphGroups>");
    expectRejected("<MorphGroups><Group/></MorphGroups>", "group has no \"name\"");
    expectRejected("<MorphGroups><Group Name=\"a\"/></MorphGroups>", "group has no \"name\"");
    expectRejected("<MorphGroups><Group name=\"a\"><Target/></Group></MorphGroups>",
                   "target has no \"name\"");
    expectRejected(
        "<MorphGroups><Group name=\"a\"><Target name=\"t\"/><Shape/></Group></MorphGroups>",
        "target has no \"name\"");
    expectRejected(
        "<MorphGroups><Group name=\"a\"><Target name=\"t\"/><!-- c -->text</Group></MorphGroups>",
        "non-element node");
    expectRejected("<MorphGroups><Group name=\"a\"><Target name=\"t\"/>text</Group></MorphGroups>",
                   "non-element node");
    expectRejected("<MorphGroups><!-- c -->text<Group name=\"a\"/></MorphGroups>",
                   "non-element node");
    expectRejected("<MorphGroups><!DOCTYPE g><Group name=\"a\"/></MorphGroups>",
                   "non-element node");
    expectRejected("<MorphGroups>loose text</MorphGroups>", "non-element node");
}

// People edit the file: a note between groups, after a target, a target commented out.
TEST_F(MorphGroupFileTest, CommentsArePassedOverWhereverTheyStand) {
    const auto groups = load(R"(<MorphGroups>
    <!-- the eyes first -->
    <Group name="Eyes">
        <Target name="blink"/> <!-- both eyes -->
        <!-- <Target name="squint"/> -->
        <Target name="wide"/>
    </Group>
    <!-- between groups -->
    <Group name="Jaw"><Target name="jawOpen"/><!-- last --></Group>
</MorphGroups>)");

    ASSERT_EQ(groups.size(), 2u);
    EXPECT_EQ(groups[0].name, "Eyes");
    EXPECT_EQ(groups[0].targetNames, (Names{"blink", "wide"}));
    EXPECT_EQ(groups[1].name, "Jaw");
    EXPECT_EQ(groups[1].targetNames, (Names{"jawOpen"}));
}

TEST_F(MorphGroupFileTest, TextEndingInsideAUtf8SequenceIsNotReadPastItsEnd) {
    // The last byte announces a three-byte sequence, so the parser steps two bytes past the end
    // of the text. The line ends before it shrink the text, and behind its end lie the file's
    // last bytes once more: stepping into them would read the quote the real text lacks and
    // accept a group whose name was never closed.
    const std::string tail = "a\xc3\"/></MorphGroups>\xe2";
    std::string content = R"(<?xml version="1.0" encoding="UTF-8"?><MorphGroups><G name="g)";
    for (std::size_t i = 0; i < tail.size(); ++i)
        content += "\r\n";
    expectRejected(content + tail, "Error parsing Element");
    // The same end without anything behind it.
    expectRejected(R"(<?xml version="1.0" encoding="UTF-8"?><MorphGroups><G name="g)"
                   "\xf0",
                   "Error parsing Element");
}

TEST_F(MorphGroupFileTest, LineEndsAreNormalisedAndTheTextEndsAtTrailingZeroBytes) {
    // CR LF and a lone CR both end a line: names keep "\n", rows count them once.
    const auto groups = load("<MorphGroups>\r\n<G name=\"a\r\nb\rc\">\r"
                             "<Target name=\"t\"/></G>\r\n</MorphGroups>\r\n");
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0].name, "a\nb\nc");
    EXPECT_EQ(groups[0].targetNames, (Names{"t"}));
    expectRejected("<MorphGroups>\r\n<Group name=\"a\">\r\n</MorphGroups>", "row 3");
    expectRejected("<MorphGroups>\r<Group name=\"a\">\r</MorphGroups>", "row 3");

    // Zero bytes that end the file end its text, as TinyXML's own loader has it.
    const auto padded = load("<MorphGroups><G name=\"a\"/></MorphGroups>\n" + std::string(3, '\0'));
    ASSERT_EQ(padded.size(), 1u);
    EXPECT_EQ(padded[0].name, "a");
    // Text after a zero byte would be lost without a word.
    expectRejected(std::string("<MorphGroups/>\0<broken", 22), "a zero byte at offset 14");
    expectRejected(std::string("<MorphGroups/>\0\0 ", 17), "a zero byte at offset 14");
}

// What the head generator and the importer write, the demo reads back name for name: line ends
// of every kind and markup characters included.
TEST_F(MorphGroupFileTest, WrittenNamesReadBackAsTheyWere) {
    const std::vector<MorphGroup> written = {
        {"Mouth & \"Jaw\" <1>", {"a\r\nb\rc\nd", "\ttab ", "Br\xc3\xa9", "'q'"}}, {"", {}}};
    const auto read = load(encodeMorphGroupFile(written));
    ASSERT_EQ(read.size(), written.size());
    for (std::size_t i = 0; i < read.size(); ++i) {
        EXPECT_EQ(read[i].name, written[i].name);
        EXPECT_EQ(read[i].targetNames, written[i].targetNames);
    }
}

TEST_F(MorphGroupFileTest, RefusesDeepNestingBeforeTheParserRecursesIntoIt) {
    auto nested = [](int levels, const std::string& open, const std::string& close) {
        std::string text = "<MorphGroups><G name=\"g\"><Target name=\"t\">";
        for (int i = 0; i < levels; ++i)
            text += open;
        for (int i = 0; i < levels; ++i)
            text += close;
        return text + "</Target></G></MorphGroups>";
    };
    // Deep enough to overflow the parser's stack; refused at once, naming where.
    expectRejected(nested(40000, "<a>", "</a>"), "elements nest deeper than 16 levels (row 1)");
    // Nesting the parser sees although markup inside values, references and comments seems to
    // close it.
    expectRejected(nested(20, "<a v=\"/>\" w='</a>'>", "</a>"), "nest deeper");
    expectRejected(nested(20, "<a v=\"&#x\"x;/>\">", "</a>"), "nest deeper");
    expectRejected(nested(20, "<a><!--</a>-->", "</a>"), "nest deeper");
    // Slack above what a group file needs: targets may carry a few levels of their own.
    EXPECT_EQ(load(nested(13, "<a>", "</a>")).size(), 1u);
}

} // namespace
