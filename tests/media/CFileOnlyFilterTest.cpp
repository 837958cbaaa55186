#include "media/CFileOnlyFilter.h"

#include <gtest/gtest.h>

#include <string>

namespace {

WIN32_FIND_DATAA File(const std::string& name) {
    return WIN32_FIND_DATAA{0, name};
}

TEST(CFileOnlyFilterTest, NoFindDataIsAnInvalidArgument) {
    CFileOnlyFilter filter({".wav"});

    EXPECT_EQ(filter.Filter(nullptr), E_INVALIDARG);
}

TEST(CFileOnlyFilterTest, FoldersAreSkippedWhateverTheirName) {
    CFileOnlyFilter filter({".wav"});
    const WIN32_FIND_DATAA folder{FILE_ATTRIBUTE_DIRECTORY | 0x20, "sounds.wav"};

    EXPECT_EQ(filter.Filter(&folder), 1);
}

TEST(CFileOnlyFilterTest, WithoutExtensionsEveryFileIsTaken) {
    CFileOnlyFilter filter;
    const WIN32_FIND_DATAA file = File("readme");

    EXPECT_EQ(filter.Filter(&file), 0);
}

TEST(CFileOnlyFilterTest, ExtensionsAreComparedWithoutRegardToCase) {
    CFileOnlyFilter filter({".txt", ".wav"});
    const WIN32_FIND_DATAA lower = File("a.wav");
    const WIN32_FIND_DATAA upper = File("B.WAV");
    const WIN32_FIND_DATAA other = File("c.wave");
    const WIN32_FIND_DATAA doubled = File("d.wav.bak");

    EXPECT_EQ(filter.Filter(&lower), 0);
    EXPECT_EQ(filter.Filter(&upper), 0);
    EXPECT_EQ(filter.Filter(&other), 1);
    EXPECT_EQ(filter.Filter(&doubled), 1);
}

TEST(CFileOnlyFilterTest, FileWithoutAnExtensionIsSkipped) {
    CFileOnlyFilter filter({".wav"});
    const WIN32_FIND_DATAA file = File("wav");

    EXPECT_EQ(filter.Filter(&file), 1);
}

TEST(CFileOnlyFilterTest, ExtensionIsFromTheLastDot) {
    EXPECT_EQ(CFileOnlyFilter::FindExtension("a.b.wav"), ".wav");
    EXPECT_EQ(CFileOnlyFilter::FindExtension(".wav"), ".wav");
    EXPECT_EQ(CFileOnlyFilter::FindExtension("name."), ".");
    EXPECT_EQ(CFileOnlyFilter::FindExtension("name"), "");
}

TEST(CFileOnlyFilterTest, SpaceOrSeparatorAfterTheLastDotMeansNoExtension) {
    EXPECT_EQ(CFileOnlyFilter::FindExtension("my sound.wav"), ".wav");
    EXPECT_EQ(CFileOnlyFilter::FindExtension("a.wav copy"), "");
    EXPECT_EQ(CFileOnlyFilter::FindExtension("dir.d/name"), "");
    EXPECT_EQ(CFileOnlyFilter::FindExtension("dir.d\\name"), "");
}

TEST(CFileOnlyFilterTest, TrailByteOfADoubleByteCharacterIsNoSeparator) {
    // "表" is 0x95 0x5C in code page 932: its second byte is the code of a backslash.
    CFileOnlyFilter filter({".\x95\x5c"});
    const WIN32_FIND_DATAA file = File("name.\x95\x5c");

    EXPECT_EQ(CFileOnlyFilter::FindExtension("name.\x95\x5c"), ".\x95\x5c");
    EXPECT_EQ(filter.Filter(&file), 0);
}

} // namespace
