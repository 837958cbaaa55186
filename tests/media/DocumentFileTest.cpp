#include "media/DocumentFile.h"

#include "graphics/CDirectXGraphics.h"
#include "media/CDirectSound.h"
#include "scene/SceneTypes.h"

#include "support/ChildProcess.h"
#include "support/DocumentBytes.h"
#include "support/InjectedMachineMemory.h"
#include "support/ResidentMemory.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

using namespace DocumentBytes;

// Offsets in NewScene.
constexpr std::size_t kWaveNameAt = WaveFrames.recordsAt;
constexpr std::size_t kSubtitleAt = SubtitleFrames.recordsAt;
constexpr std::size_t kFrameCountAt = 38;
constexpr std::size_t kAntiAliasAt = 50;
constexpr std::size_t kCameraLoopAt = 92;
constexpr std::size_t kMebibyte = std::size_t{1} << 20;

Bytes ReadBytes(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

void WriteBytes(const fs::path& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

// NewScene with the string at `at` (an empty one there) replaced by a prefix and a text.
Bytes WithString(std::size_t at, const Bytes& prefix, const std::string& text) {
    Bytes bytes = NewScene;
    bytes.erase(bytes.begin() + static_cast<std::ptrdiff_t>(at));
    Bytes string = prefix;
    string.insert(string.end(), text.begin(), text.end());
    bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(at), string.begin(), string.end());
    return bytes;
}

CAnimation Key(std::int32_t state, const D3DXVECTOR3& position, const std::string& motion) {
    CAnimation key;
    key.m_nState = state;
    key.m_position = position;
    key.m_rotation = D3DXVECTOR3(10.0f, -20.5f, 370.0f);
    key.m_scale = D3DXVECTOR3(1.0f, 2.0f, 0.25f);
    key.m_strMotion = motion;
    return key;
}

// A scene with every kind of content: WAV keys, two characters with key records, camera keys,
// subtitles of every string-length form, and changed settings.
void Populate(CDirectSound& sound, CDirectXGraphics& graphics) {
    graphics.SetDefaults();
    sound.SetWaveFrameState(3, FrameKey);
    sound.SetWave(3, "bgm.wav");
    graphics.m_crBackground = RGB(1, 2, 3);
    graphics.m_crFont = RGB(250, 251, 252);
    graphics.m_characters.resize(2);
    CCharacter& first = graphics.m_characters[0];
    first.m_strFileName = "mqo\\\x95\x5C.mqo";
    first.m_bLocked = true;
    first.m_keys = {Key(FrameContentKey, {1.5f, -2.0f, 3.0f}, "walk"),
                    Key(FrameInBetween, {0.0f, 0.0f, 0.0f}, "walk"),
                    Key(FrameEmpty, {0.0f, 0.0f, 0.0f}, "")};
    first.m_keys[0].m_bLoop = true;
    CCharacter& second = graphics.m_characters[1];
    second.m_strFileName = "c:\\models\\b.mqo";
    second.m_keys = {Key(FrameKey, {-7.0f, 8.0f, 9.0f}, std::string(300, 'm'))};
    second.m_keys[0].m_bStopAtEnd = true;
    graphics.m_cameraKeys.push_back(Key(FrameKey, {0.0f, 0.0f, -500.0f}, ""));
    graphics.SetSubtitleFrameState(3, FrameKey);
    graphics.SetSubtitle("say \"hi\"", 0);
    graphics.SetSubtitle(std::string(254, 's'), 3);
    graphics.m_nFrameCount = 1200;
    graphics.m_nMovieWidth = 640;
    graphics.m_nMovieHeight = 480;
    graphics.m_bAntiAlias = true;
}

class DocumentFileTest : public ::testing::Test {
protected:
    DocumentFileTest() { g_fDocumentVersion = CurrentDocumentVersion; }
    ~DocumentFileTest() override { g_fDocumentVersion = CurrentDocumentVersion; }

    std::string PathOf(const std::string& name) const { return m_folder.PathOf(name); }

    std::vector<std::string> Names() const { return m_folder.Names(); }

    // Loads bytes written to a file into the objects; the error message.
    std::string LoadBytes(const Bytes& bytes, CDirectSound& sound, CDirectXGraphics& graphics) {
        const std::string path = PathOf("input.qka");
        WriteBytes(path, bytes);
        return DocumentFile::Load(path, sound, graphics);
    }

    // Loads bytes into a new, empty scene.
    std::string LoadBytes(const Bytes& bytes) {
        CDirectSound sound;
        CDirectXGraphics graphics;
        return LoadBytes(bytes, sound, graphics);
    }

    Bytes SavedBytes(CDirectSound& sound, CDirectXGraphics& graphics) {
        const std::string path = PathOf("output.qka");
        EXPECT_EQ(DocumentFile::Save(path, sound, graphics), "");
        return ReadBytes(path);
    }

    Bytes PopulatedDocument() {
        CDirectSound sound;
        CDirectXGraphics graphics;
        Populate(sound, graphics);
        return SavedBytes(sound, graphics);
    }

private:
    ScratchFolder m_folder;
};

TEST_F(DocumentFileTest, NewSceneIsSavedAsItsKnownBytes) {
    CDirectSound sound;
    CDirectXGraphics graphics;
    graphics.SetDefaults();

    EXPECT_EQ(SavedBytes(sound, graphics), NewScene);
}

TEST_F(DocumentFileTest, SavedSceneLoadsBackAndSavesTheSameBytes) {
    const Bytes first = PopulatedDocument();
    const std::string path = PathOf("scene.qka");
    WriteBytes(path, first);
    CDirectSound sound;
    CDirectXGraphics graphics;

    ASSERT_EQ(DocumentFile::Load(path, sound, graphics), "");

    EXPECT_EQ(SavedBytes(sound, graphics), first);
    EXPECT_EQ(sound.GetWaveName(3), "bgm.wav");
    EXPECT_EQ(graphics.m_crFont, RGB(250, 251, 252));
    ASSERT_EQ(graphics.m_characters.size(), 2u);
    const CCharacter& character = graphics.m_characters[0];
    EXPECT_EQ(character.m_strFileName, "mqo\\\x95\x5C.mqo");
    EXPECT_TRUE(character.m_bLocked);
    ASSERT_EQ(character.m_keys.size(), 3u);
    EXPECT_EQ(character.m_keys[0].m_position, D3DXVECTOR3(1.5f, -2.0f, 3.0f));
    EXPECT_EQ(character.m_keys[0].m_rotation, D3DXVECTOR3(10.0f, -20.5f, 370.0f));
    EXPECT_EQ(character.m_keys[0].m_scale, D3DXVECTOR3(1.0f, 2.0f, 0.25f));
    EXPECT_TRUE(character.m_keys[0].m_bLoop);
    EXPECT_EQ(character.m_keys[2].m_nState, FrameEmpty);
    EXPECT_EQ(graphics.m_characters[1].m_keys[0].m_strMotion, std::string(300, 'm'));
    EXPECT_TRUE(graphics.m_characters[1].m_keys[0].m_bStopAtEnd);
    ASSERT_EQ(graphics.m_cameraKeys.size(), 2u);
    EXPECT_EQ(graphics.m_cameraKeys[1].m_position, D3DXVECTOR3(0.0f, 0.0f, -500.0f));
    EXPECT_EQ(graphics.GetSubtitle(0), "say \"hi\"");
    EXPECT_EQ(graphics.m_subtitleStates, (std::vector<std::int32_t>{2, 0, 0, 2}));
    EXPECT_EQ(graphics.m_nFrameCount, 1200);
    EXPECT_EQ(graphics.m_nMovieWidth, 640);
    EXPECT_EQ(graphics.m_nMovieHeight, 480);
    EXPECT_TRUE(graphics.m_bAntiAlias);
}

// Each track holds far more frames than the new scene's document has bytes besides: the
// reader's guards against impossible counts must still take them.
TEST_F(DocumentFileTest, LongTracksSaveAndLoad) {
    constexpr int Last = 999;
    const struct {
        const char* track;
        void (*fill)(CDirectSound& sound, CDirectXGraphics& graphics);
    } cases[] = {
        {"WAV",
         [](CDirectSound& sound, CDirectXGraphics&) {
             sound.SetWaveFrameState(Last, FrameKey);
             sound.SetWave(199, "a.wav");
         }},
        {"subtitles",
         [](CDirectSound&, CDirectXGraphics& graphics) {
             graphics.SetSubtitleFrameState(Last, FrameKey);
             graphics.SetSubtitle("end", Last);
         }},
        {"character keys",
         [](CDirectSound&, CDirectXGraphics& graphics) {
             graphics.m_characters.resize(1);
             graphics.m_characters[0].SetFrameState(Last, FrameKey);
         }},
        {"camera",
         [](CDirectSound&, CDirectXGraphics& graphics) {
             graphics.SetCameraFrameState(Last, FrameKey);
         }},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.track);
        CDirectSound sound;
        CDirectXGraphics graphics;
        graphics.SetDefaults();
        test.fill(sound, graphics);
        const Bytes saved = SavedBytes(sound, graphics);

        CDirectSound loadedSound;
        CDirectXGraphics loaded;
        EXPECT_EQ(LoadBytes(saved, loadedSound, loaded), "");
        EXPECT_EQ(SavedBytes(loadedSound, loaded), saved);
        // On a machine whose share for a budget, 1000 bytes, cannot hold the records.
        const InjectedMachineMemory small(4000);
        EXPECT_NE(LoadBytes(saved).find("is not a valid document"), std::string::npos);
    }
}

TEST_F(DocumentFileTest, LongStringsCarryWiderLengthPrefixes) {
    const struct {
        std::size_t length;
        Bytes prefix;
    } cases[] = {
        {254, {0xFE}},
        {255, {0xFF, 0xFF, 0x00}},
        {300, {0xFF, 0x2C, 0x01}},
        {65533, {0xFF, 0xFD, 0xFF}},
        {65534, {0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.length);
        CDirectSound sound;
        CDirectXGraphics graphics;
        graphics.SetDefaults();
        const std::string text(test.length, 's');
        graphics.SetSubtitle(text, 0);
        Bytes expected = WithString(kSubtitleAt, test.prefix, text);
        expected[kSubtitleAt + test.prefix.size() + text.size()] = FrameContentKey;

        const Bytes saved = SavedBytes(sound, graphics);

        EXPECT_EQ(saved, expected);
        CDirectSound loadedSound;
        CDirectXGraphics loaded;
        const std::string path = PathOf("scene.qka");
        WriteBytes(path, saved);
        ASSERT_EQ(DocumentFile::Load(path, loadedSound, loaded), "");
        EXPECT_EQ(loaded.GetSubtitle(0), text);
    }
}

TEST_F(DocumentFileTest, Utf16StringsAreWrittenBackInCodePage932) {
    // The WAV name as UTF-16: 0xFF, the tag 0xFFFE, two units "表" (U+8868) and "a".
    const Bytes utf16 = {0xFF, 0xFE, 0xFF, 0x02, 0x68, 0x88, 0x61, 0x00};
    Bytes bytes = NewScene;
    bytes.erase(bytes.begin() + kWaveNameAt);
    bytes.insert(bytes.begin() + kWaveNameAt, utf16.begin(), utf16.end());
    const std::string path = PathOf("scene.qka");
    WriteBytes(path, bytes);
    CDirectSound sound;
    CDirectXGraphics graphics;

    ASSERT_EQ(DocumentFile::Load(path, sound, graphics), "");

    EXPECT_EQ(sound.m_frameWaves, std::vector<std::string>{"\x95\x5C"
                                                           "a"});
    EXPECT_EQ(SavedBytes(sound, graphics), WithString(kWaveNameAt, {0x03},
                                                      "\x95\x5C"
                                                      "a"));
}

TEST_F(DocumentFileTest, AnyNonZeroBooleanByteReadsAsTrueAndIsWrittenAsOne) {
    Bytes bytes = NewScene;
    bytes[kAntiAliasAt] = 0x07;
    bytes[kCameraLoopAt] = 0x02;
    const std::string path = PathOf("scene.qka");
    WriteBytes(path, bytes);
    CDirectSound sound;
    CDirectXGraphics graphics;

    ASSERT_EQ(DocumentFile::Load(path, sound, graphics), "");

    EXPECT_TRUE(graphics.m_bAntiAlias);
    ASSERT_EQ(graphics.m_cameraKeys.size(), 1u);
    EXPECT_TRUE(graphics.m_cameraKeys[0].m_bLoop);
    bytes[kAntiAliasAt] = 0x01;
    bytes[kCameraLoopAt] = 0x01;
    EXPECT_EQ(SavedBytes(sound, graphics), bytes);
}

TEST_F(DocumentFileTest, FrameCountsAboveTheCeilingOpenAsTheCeiling) {
    for (const std::int32_t stored : {std::numeric_limits<std::int32_t>::max(), 1000001}) {
        Bytes bytes = NewScene;
        PutInt32(bytes, kFrameCountAt, stored);
        CDirectSound sound;
        CDirectXGraphics graphics;
        ASSERT_EQ(LoadBytes(bytes, sound, graphics), "") << stored;
        EXPECT_EQ(graphics.m_nFrameCount, 1000000) << stored;
    }
}

TEST_F(DocumentFileTest, LoadReplacesTheListsOfTheScene) {
    const std::string path = PathOf("scene.qka");
    WriteBytes(path, NewScene);
    CDirectSound sound;
    CDirectXGraphics graphics;
    Populate(sound, graphics);

    ASSERT_EQ(DocumentFile::Load(path, sound, graphics), "");

    EXPECT_TRUE(graphics.m_characters.empty());
    EXPECT_EQ(graphics.m_cameraKeys.size(), 1u);
    EXPECT_EQ(graphics.m_subtitles.size(), 1u);
    EXPECT_EQ(sound.m_frameWaves, std::vector<std::string>{""});
    EXPECT_EQ(SavedBytes(sound, graphics), NewScene);
}

TEST_F(DocumentFileTest, LoadSetsTheDocumentVersionFromTheFile) {
    Bytes bytes = NewScene;
    bytes[2] = 0x20; // 00 00 20 40: 2.5
    bytes[3] = 0x40;
    bytes[0] = bytes[1] = 0x00;
    CDirectSound sound;
    CDirectXGraphics graphics;
    graphics.SetDefaults();

    ASSERT_EQ(LoadBytes(bytes), "");

    EXPECT_EQ(g_fDocumentVersion, 2.5f);
    EXPECT_EQ(SavedBytes(sound, graphics), bytes);
}

TEST_F(DocumentFileTest, VersionReadBeforeAFailureStaysRead) {
    EXPECT_NE(LoadBytes({0x00, 0x00, 0xE0, 0x40}), ""); // 7.0 and nothing else

    EXPECT_EQ(g_fDocumentVersion, 7.0f);
}

TEST_F(DocumentFileTest, MissingFileIsAnError) {
    CDirectSound sound;
    CDirectXGraphics graphics;

    EXPECT_NE(DocumentFile::Load(PathOf("missing.qka"), sound, graphics), "");
    EXPECT_EQ(g_fDocumentVersion, CurrentDocumentVersion);
}

TEST_F(DocumentFileTest, FolderInsteadOfAFileIsAnError) {
    fs::create_directory(PathOf("scene.qka"));
    CDirectSound sound;
    CDirectXGraphics graphics;

    EXPECT_NE(DocumentFile::Load(PathOf("scene.qka"), sound, graphics), "");
}

TEST_F(DocumentFileTest, EveryTruncationIsAnError) {
    const Bytes document = PopulatedDocument();
    ASSERT_GT(document.size(), 600u);

    for (std::size_t size = 0; size < document.size(); ++size) {
        const std::string error = LoadBytes(Bytes(document.begin(), document.begin() + size));
        EXPECT_NE(error, "") << "a document cut to " << size << " bytes loaded";
    }
}

TEST_F(DocumentFileTest, ImpossibleCountsAreErrors) {
    const std::int32_t counts[] = {-1, std::numeric_limits<std::int32_t>::min(),
                                   std::numeric_limits<std::int32_t>::max(), 1000000};
    for (const Count& field : {WaveFrames, Characters, CameraRecords, SubtitleFrames}) {
        for (std::int32_t count : counts) {
            SCOPED_TRACE(std::string(field.name) + " " + std::to_string(count));
            Bytes bytes = NewScene;
            PutInt32(bytes, field.at, count);
            EXPECT_NE(LoadBytes(bytes), "");
        }
    }
    for (std::int32_t count : counts) {
        SCOPED_TRACE("key records " + std::to_string(count));
        EXPECT_NE(LoadBytes(WithOneCharacter(count)), "");
    }
}

// What a load may take besides the file's bytes and the room that its lists reserve: the
// allocators' bookkeeping (the sanitizer's included), and the lag of the kernel's count of
// resident pages, which each processor adds in late, in batches of dozens of pages.
constexpr int kBookkeepingMebibytes = 4;

#ifdef __SANITIZE_ADDRESS__
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

// The sanitizer's shadow of `mebibytes` of allocated memory: a byte for every 8, written when
// the block is allocated, even where the block itself is never touched.
constexpr int ShadowMebibytes(int mebibytes) {
    return kSanitized ? mebibytes / 8 : 0;
}

// Loads the document in a child process whose address space may grow by `room` bytes at most:
// the mebibytes (up to 99) by which the child's peak resident memory grew while it read, when
// the read failed with a message; else -1, as when it succeeded, an exception escaped it (which
// ends the program) or the limit could not be set. The document cut to its first 4 KiB, which
// fails at the same count, is read first: the reader's code and unwind tables are then in
// memory, and only what the read takes is counted, not the pages of the program that it
// brings in (as many as the kernel maps around each fault).
int PeakMebibytesOfAFailedLoad(const std::string& path, std::size_t room) {
    // Below the statuses that tell of the child's own failures.
    constexpr int MostMebibytes = ChildProcess::NoLimitStatus - 1;
    const std::string start = path + ".start";
    Bytes startBytes(4096);
    std::ifstream(path, std::ios::binary)
        .read(reinterpret_cast<char*>(startBytes.data()),
              static_cast<std::streamsize>(startBytes.size()));
    WriteBytes(start, startBytes);
    const int status = ChildProcess::ExitStatusWithAddressSpaceRoom(room, [&path, &start] {
        CDirectSound sound;
        CDirectXGraphics graphics;
        DocumentFile::Load(start, sound, graphics);
        ResetPeakResidentMemory();
        const long before = ResidentKibibytes("VmHWM:");
        const std::string error = DocumentFile::Load(path, sound, graphics);
        const long grown = (ResidentKibibytes("VmHWM:") - before) / 1024;
        const bool failed = error.find("is not a valid document") != std::string::npos;
        return failed ? static_cast<int>(std::min<long>(grown, MostMebibytes)) : MostMebibytes + 1;
    });
    return status >= 0 && status <= MostMebibytes ? status : -1;
}

// Writes NewScene with a hole of `holeBytes` zero bytes where its characters' records begin,
// before its camera record: each 6 zero bytes there read as a character without keys.
void WriteEmptyCharacters(const std::string& path, std::size_t holeBytes) {
    Bytes bytes = NewScene;
    PutInt32(bytes, Characters.at, static_cast<std::int32_t>(holeBytes / Characters.storedBytes));
    const std::size_t split = Characters.recordsAt;
    WriteBytes(path, Bytes(bytes.begin(), bytes.begin() + split));
    fs::resize_file(path, split + holeBytes);
    std::ofstream(path, std::ios::binary | std::ios::app)
        .write(reinterpret_cast<const char*>(bytes.data() + split),
               static_cast<std::streamsize>(bytes.size() - split));
}

// Each count claims as many records as the bytes after it could hold, but no record is there:
// the bytes are 0xFF, a string length beyond any string. Reading stops at the first record,
// having made no more than that one.
TEST_F(DocumentFileTest, CountsThatClaimRecordsTheFileDoesNotHoldTakeNoMemory) {
    const Bytes garbage(8 * kMebibyte, 0xFF);
    // The file is read whole, into 8 MiB. A list may reserve its count at once where it needs
    // at most 4 bytes of memory for each byte left, 32 MiB here, whose pages stay untouched
    // until records are made; the sanitizer writes the shadow of both. A reader that made every
    // record that a count claims would take 30 MiB more for the camera's or the keys' (195,083
    // of 160 bytes), 60 MB for the frames of the WAV or the subtitles, and 313 MB for the
    // characters, which the 64 MiB room turns into a failed allocation where it is set.
    const int most = 8 + ShadowMebibytes(8 + 32) + kBookkeepingMebibytes;
    for (const Count& count : EveryCount) {
        SCOPED_TRACE(count.name);
        const std::string path = PathOf("claiming.qka");
        WriteBytes(path, Claiming(count, garbage));

        const int grown = PeakMebibytesOfAFailedLoad(path, 64 * kMebibyte);
        EXPECT_GE(grown, 0);
        EXPECT_LE(grown, most);
    }
}

// 24 MiB of characters without keys would take 940 MB: more than the 704 MiB that the
// lists of a document of that size may take. It is refused before any character is made, in
// no more memory than the file's; characters made until the room ran out would take most of
// the 104 MiB that it leaves besides the file.
TEST_F(DocumentFileTest, MillionsOfCharactersWithoutKeysAreRefusedUnmade) {
    const std::string path = PathOf("crowded.qka");
    WriteEmptyCharacters(path, 24 * kMebibyte);

    const int grown = PeakMebibytesOfAFailedLoad(path, 128 * kMebibyte);
    EXPECT_GE(grown, 0);
    EXPECT_LE(grown, 24 + ShadowMebibytes(24) + kBookkeepingMebibytes);
}

#ifndef __SANITIZE_ADDRESS__
// 64 MiB of zero bytes (a hole) in the camera track hold 1,560,671 records, 250 MB in memory:
// a read that runs out of memory for them fails as a broken file does.
TEST_F(DocumentFileTest, MemoryThatRunsOutFailsTheRead) {
    constexpr std::size_t zeros = 64 * kMebibyte;
    const std::string path = PathOf("long.qka");
    Bytes bytes = Claiming(CameraRecords, Bytes());
    PutInt32(bytes, CameraRecords.at, static_cast<std::int32_t>(zeros / CameraRecords.storedBytes));
    WriteBytes(path, bytes);
    fs::resize_file(path, bytes.size() + zeros);

    const int grown = PeakMebibytesOfAFailedLoad(path, 96 * kMebibyte);
    EXPECT_GE(grown, 0);
}
#endif

TEST_F(DocumentFileTest, CharacterRecordWithoutKeysLoads) {
    CDirectSound sound;
    CDirectXGraphics graphics;
    const std::string path = PathOf("scene.qka");
    WriteBytes(path, WithOneCharacter(0));

    ASSERT_EQ(DocumentFile::Load(path, sound, graphics), "");

    ASSERT_EQ(graphics.m_characters.size(), 1u);
    EXPECT_TRUE(graphics.m_characters[0].m_keys.empty());
}

TEST_F(DocumentFileTest, ImpossibleStringLengthsAreErrors) {
    const Bytes prefixes[] = {
        {0xFF, 0xFD, 0xFF},                         // 65533 bytes announced
        {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}, // 32-bit length
        {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
         0xFF}, // 64-bit length beyond any string
        {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x80, 0x00, 0x00, 0x00,
         0x00},                                                 // 64-bit length of 2 GiB
        {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x3F}, // UTF-16, 32-bit length
    };
    for (const Bytes& prefix : prefixes) {
        SCOPED_TRACE(prefix.size());
        Bytes bytes = NewScene;
        bytes.erase(bytes.begin() + kWaveNameAt);
        bytes.insert(bytes.begin() + kWaveNameAt, prefix.begin(), prefix.end());
        EXPECT_NE(LoadBytes(bytes), "");
    }
}

TEST_F(DocumentFileTest, SaveReplacesAnExistingFileAndLeavesNoTemporaryFile) {
    const std::string path = PathOf("scene.qka");
    WriteBytes(path, Bytes(1000, 0xAB));
    CDirectSound sound;
    CDirectXGraphics graphics;
    graphics.SetDefaults();

    ASSERT_EQ(DocumentFile::Save(path, sound, graphics), "");

    EXPECT_EQ(ReadBytes(path), NewScene);
    EXPECT_EQ(Names(), std::vector<std::string>{"scene.qka"});
}

TEST_F(DocumentFileTest, SaveNeverWritesThroughALinkPlantedBesideTheDocument) {
    const std::string path = PathOf("scene.qka");
    const Bytes victim(200, 0x5A);
    WriteBytes(PathOf("victim"), victim);
    fs::create_symlink(PathOf("victim"), path + ".saving");
    CDirectSound sound;
    CDirectXGraphics graphics;
    graphics.SetDefaults();

    ASSERT_EQ(DocumentFile::Save(path, sound, graphics), "");

    EXPECT_EQ(ReadBytes(PathOf("victim")), victim);
    EXPECT_FALSE(fs::is_symlink(path));
    EXPECT_EQ(ReadBytes(path), NewScene);
    EXPECT_TRUE(fs::is_symlink(path + ".saving"));
}

TEST_F(DocumentFileTest, FailedSavesLeaveWhatWasThereAndNoTemporaryFile) {
    WriteBytes(PathOf("plain.txt"), Bytes(200, 0x5A));
    fs::create_directories(PathOf("scene.qka/inside"));
    const std::vector<std::string> before = Names();
    CDirectSound sound;
    CDirectXGraphics graphics;
    graphics.SetDefaults();

    for (const char* name : {"missing/scene.qka", "plain.txt/scene.qka", "scene.qka"}) {
        EXPECT_NE(DocumentFile::Save(PathOf(name), sound, graphics), "") << name;
    }

    EXPECT_EQ(Names(), before);
    EXPECT_EQ(ReadBytes(PathOf("plain.txt")), Bytes(200, 0x5A));
    EXPECT_TRUE(fs::is_directory(PathOf("scene.qka/inside")));
}

} // namespace
