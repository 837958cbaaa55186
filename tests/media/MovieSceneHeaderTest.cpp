#include "media/MovieSceneHeader.h"

#include "graphics/CDirectXGraphics.h"
#include "scene/SceneTypes.h"

#include "support/ChildProcess.h"
#include "support/ScratchFolder.h"
#include "support/SpecialFiles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;

const std::string kOpening = "#include \"stdafx.h\"\r\n"
                             "#include \"MorluLibrary.h\"\r\n"
                             "\r\n"
                             "class Cscene1 : public CMovie\r\n"
                             "{\r\n"
                             "public:\r\n"
                             "\tCscene1()\r\n"
                             "\t{\r\n";
const std::string kClosing = "\t}\r\n};\r\n";

std::string ReadText(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

CAnimation Key(const std::string& motion, int motionFrame, std::uint8_t active) {
    CAnimation key;
    key.m_strMotion = motion;
    key.m_nMotionFrame = motionFrame;
    key.m_bActive = active;
    return key;
}

// The line a key record of the given motion gives, at the origin with a unit scale.
std::string PlainMotionLine(const std::string& motion, int motionFrame, int active) {
    return "\t\tAddMotion(\"" + motion + "\"," + std::to_string(motionFrame) + "," +
           std::to_string(active) +
           ",0.000000,0.000000,0.000000,0.000000,0.000000,0.000000,1.000000,1.000000,1.000000);"
           "\r\n";
}

class WriteMovieSceneHeaderTest : public ::testing::Test {
protected:
    WriteMovieSceneHeaderTest() {
        graphics.SetDefaults(); // one empty subtitle frame
    }

    std::string PathOf(const std::string& name) const { return m_folder.PathOf(name); }
    std::vector<std::string> Names() const { return m_folder.Names(); }

    // Writes the scene to scene1.h and returns the text.
    std::string Export() {
        const std::string path = PathOf("scene1.h");
        EXPECT_TRUE(WriteMovieSceneHeader(path, graphics));
        return ReadText(path);
    }

    CDirectXGraphics graphics;

private:
    ScratchFolder m_folder;
};

TEST_F(WriteMovieSceneHeaderTest, WritesTheExactTextOfASmallScene) {
    graphics.m_characters.resize(1);
    CAnimation walking = Key("walk", 3, 1);
    walking.m_nState = FrameContentKey;
    walking.m_position = D3DXVECTOR3(1.5f, -2.0f, 0.0f);
    walking.m_rotation = D3DXVECTOR3(0.0f, 90.0f, -0.125f);
    walking.m_scale = D3DXVECTOR3(1.0f, 2.5f, 1.0f);
    CAnimation unbounded; // no C++ literal: written as the largest float, and nan as 0
    unbounded.m_position = D3DXVECTOR3(INFINITY, -INFINITY, NAN);
    graphics.m_characters[0].m_keys = {walking, unbounded};
    graphics.SetSubtitleFrameState(1, FrameKey);
    graphics.SetSubtitle("Hello", 0);

    EXPECT_EQ(Export(), kOpening +
                            "\t\tAddCharacter();\r\n"
                            "\t\tAddMotion(\"walk\",3,1,1.500000,-2.000000,0.000000,"
                            "0.000000,90.000000,-0.125000,1.000000,2.500000,1.000000);\r\n"
                            "\t\tAddMotion(\"\",0,0,"
                            "340282346638528859811704183484516925440.000000,"
                            "-340282346638528859811704183484516925440.000000,0.000000,"
                            "0.000000,0.000000,0.000000,1.000000,1.000000,1.000000);\r\n" +
                            "\t\tAddSubtitle(\"Hello\");\r\n"
                            "\t\tAddSubtitle(\"\");\r\n" +
                            kClosing);
}

TEST_F(WriteMovieSceneHeaderTest, SceneWithoutCharactersWritesTheClassAndTheSubtitles) {
    graphics.m_subtitles.clear();
    graphics.m_subtitleStates.clear();

    EXPECT_EQ(Export(), kOpening + kClosing);
}

TEST_F(WriteMovieSceneHeaderTest, CharactersAreWrittenInTheOrderTheyWereImported) {
    // Each import goes to the front of the list: "b" was imported after "a".
    graphics.m_characters.resize(2);
    graphics.m_characters[0].m_keys = {Key("b", 0, 1)};
    graphics.m_characters[1].m_keys = {Key("a", 0, 1), Key("a", 1, 1)};

    EXPECT_EQ(Export(), kOpening + "\t\tAddCharacter();\r\n" + PlainMotionLine("a", 0, 1) +
                            PlainMotionLine("a", 1, 1) + "\t\tAddCharacter();\r\n" +
                            PlainMotionLine("b", 0, 1) + "\t\tAddSubtitle(\"\");\r\n" + kClosing);
}

TEST_F(WriteMovieSceneHeaderTest, EveryKeyRecordGivesALine) {
    graphics.m_characters.resize(1);
    std::vector<CAnimation>& keys = graphics.m_characters[0].m_keys;
    keys = {Key("run", 0, 1), Key("run", 1, 1), Key("", 0, 0), Key("", 0, 0), Key("jump", 0, 1)};
    const std::int32_t states[] = {FrameContentKey, FrameInBetween, FrameEmpty, FrameEmpty,
                                   FrameKey};
    for (std::size_t i = 0; i < keys.size(); ++i) {
        keys[i].m_nState = states[i];
    }

    EXPECT_EQ(Export(), kOpening + "\t\tAddCharacter();\r\n" + PlainMotionLine("run", 0, 1) +
                            PlainMotionLine("run", 1, 1) + PlainMotionLine("", 0, 0) +
                            PlainMotionLine("", 0, 0) + PlainMotionLine("jump", 0, 1) +
                            "\t\tAddSubtitle(\"\");\r\n" + kClosing);
}

TEST_F(WriteMovieSceneHeaderTest, TextsAreWrittenAsTheyAre) {
    const std::string hyou = "\x95\x5C"; // "表": trail byte "\"
    const std::string motion = hyou + "\"%d\\";
    const std::string subtitle = "say \"hi\" \\n 100% " + hyou;
    graphics.m_characters.resize(1);
    graphics.m_characters[0].m_keys = {Key(motion, 0, 1)};
    graphics.SetSubtitle(subtitle, 0);

    EXPECT_EQ(Export(), kOpening + "\t\tAddCharacter();\r\n" + PlainMotionLine(motion, 0, 1) +
                            "\t\tAddSubtitle(\"" + subtitle + "\");\r\n" + kClosing);
}

TEST_F(WriteMovieSceneHeaderTest, ClassIsNamedAfterACodePage932FileTitle) {
    const std::string path = PathOf("\x95\x5C.h"); // written as the UTF-8 name "表.h"

    ASSERT_TRUE(WriteMovieSceneHeader(path, graphics));

    const std::string text = ReadText(PathOf("\xE8\xA1\xA8.h"));
    EXPECT_EQ(text.substr(0, text.find("\t{")),
              "#include \"stdafx.h\"\r\n#include \"MorluLibrary.h\"\r\n\r\n"
              "class C\x95\x5C : public CMovie\r\n{\r\npublic:\r\n\tC\x95\x5C()\r\n");
}

TEST_F(WriteMovieSceneHeaderTest, ExistingFileIsReplaced) {
    const std::string path = PathOf("scene1.h");
    std::ofstream(path) << std::string(5000, 'x');

    EXPECT_EQ(Export(), kOpening + "\t\tAddSubtitle(\"\");\r\n" + kClosing);
}

TEST_F(WriteMovieSceneHeaderTest, PipeOrDeviceIsRefusedAndStaysWhatItWas) {
    const std::string pipe = PathOf("pipe.h");
    const FilledFifo fifo(pipe, ""); // a reader of the header would never come
    const std::string device = PathOf("null.h");
    MakeNullDevice(device);

    for (const auto& [target, type] : {std::pair{pipe, S_IFIFO}, std::pair{device, S_IFCHR}}) {
        EXPECT_FALSE(WriteMovieSceneHeader(target, graphics)) << target;
        EXPECT_EQ(FileType(target), type) << target;
    }
    EXPECT_EQ(Names(), (std::vector<std::string>{"null.h", "pipe.h"}));
}

TEST_F(WriteMovieSceneHeaderTest, ExportThatFailsPartWayLeavesTheOldHeaderWhole) {
    const std::string path = PathOf("scene1.h");
    const std::string old = Export();
    graphics.m_characters.resize(1);
    graphics.m_characters[0].m_keys.resize(100);

    // Files may not grow past 100 bytes, as on a full disk.
    const std::string result = ChildProcess::Output([&] {
        ChildProcess::LimitFileSize(100);
        return WriteMovieSceneHeader(path, graphics) ? "written" : "failed";
    });

    EXPECT_EQ(result, "failed");
    EXPECT_EQ(ReadText(path), old);
    EXPECT_EQ(Names(), std::vector<std::string>{"scene1.h"});
}

TEST_F(WriteMovieSceneHeaderTest, UnwritablePathFails) {
    const std::string paths[] = {PathOf("missing/scene1.h"), PathOf("folder.h"), PathOf("\x80.h")};
    fs::create_directory(PathOf("folder.h"));
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        EXPECT_FALSE(WriteMovieSceneHeader(path, graphics));
    }
    EXPECT_FALSE(fs::exists(PathOf("missing")));
    EXPECT_TRUE(fs::is_directory(PathOf("folder.h")));
}

TEST(GetFileTitleFromPathTest, TitleIsTheFileNameWithoutItsLastExtension) {
    const std::string hyou = "\x95\x5C"; // "表": trail byte "\"
    const struct {
        std::string path;
        std::string title;
    } cases[] = {
        {"C:\\movies\\scene1.h", "scene1"},
        {"a.b.h", "a.b"},
        {"noext", "noext"},
        {"my.dir\\name", "name"},
        {"my.dir/name", "name"},
        {"/tmp/out/scene.h", "scene"},
        {"C:\\a.b\\c.d\\e.f.g", "e.f"},
        {"a.", "a"},
        {hyou + ".h", hyou},
        {hyou, hyou},
        {"dir\\" + hyou + hyou + ".h", hyou + hyou},
        {"C:\\" + hyou + "\\x" + hyou + ".h", "x" + hyou},
        {"\x83\x41.\x83\x41", "\x83\x41"},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.path);
        std::string title = "unset";
        EXPECT_TRUE(GetFileTitleFromPath(title, test.path));
        EXPECT_EQ(title, test.title);
    }
}

TEST(GetFileTitleFromPathTest, EmptyTitleIsFalse) {
    const std::string paths[] = {"", ".h", "dir\\", "dir/", "dir\\.h", "C:\\a.b\\", "."};
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        std::string title;
        EXPECT_FALSE(GetFileTitleFromPath(title, path));
    }
}

} // namespace
