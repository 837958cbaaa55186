#include "media/FolderFiles.h"

#include "media/CFileOnlyFilter.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Names = std::vector<std::string>;

// Takes every entry until it meets the stop name, where it reports an error.
class StopAtFilter : public IFilterFile {
public:
    explicit StopAtFilter(std::string stop) : m_stop(std::move(stop)) {}
    HRESULT Filter(const WIN32_FIND_DATAA* findData) override {
        return findData->cFileName == m_stop ? E_FAIL : 0;
    }

private:
    std::string m_stop;
};

class FolderFilesTest : public testing::Test {
protected:
    std::string Folder() const { return folder.Path().string(); }

    ScratchFolder folder;
    Names list{"stale"};
};

TEST_F(FolderFilesTest, WithoutAFilterEveryEntryIsListedSorted) {
    folder.Write("b.txt", "");
    folder.Write("a.wav", "");
    folder.Write("sub/c.wav", "");

    EXPECT_EQ(ListFolderFiles(Folder(), list, nullptr), S_OK);

    EXPECT_EQ(list, (Names{"a.wav", "b.txt", "sub"}));
}

TEST_F(FolderFilesTest, FilterChoosesTheEntries) {
    folder.Write("b.txt", "");
    folder.Write("a.WAV", "");
    folder.Write("c.wav/inside", "");
    CFileOnlyFilter filter({".wav"});

    EXPECT_EQ(ListFolderFiles(Folder() + "/", list, &filter), S_OK);

    EXPECT_EQ(list, Names{"a.WAV"});
}

TEST_F(FolderFilesTest, NegativeFilterResultEndsTheListing) {
    for (const char* name : {"a", "b", "c", "d"}) {
        folder.Write(name, "");
    }
    StopAtFilter filter("c");

    EXPECT_EQ(ListFolderFiles(Folder(), list, &filter), S_OK);

    EXPECT_EQ(list, (Names{"a", "b"}));
}

TEST_F(FolderFilesTest, NamesAreSortedByTheirCodePage932Bytes) {
    folder.Write("い.wav", ""); // 0x82 0xA2
    folder.Write("ア.wav", ""); // 0x83 0x41
    folder.Write("z.wav", "");

    ListFolderFiles(Folder(), list, nullptr);

    EXPECT_EQ(list, (Names{"z.wav", "\x82\xa2.wav", "\x83\x41.wav"}));
}

TEST_F(FolderFilesTest, MissingFolderFailsWithAnEmptyList) {
    EXPECT_EQ(ListFolderFiles(Folder() + "/missing", list, nullptr), E_FAIL);
    EXPECT_TRUE(list.empty());
}

TEST(AppendBackslashTest, AddsASlashUnlessThePathEndsWithOne) {
    EXPECT_EQ(AppendBackslash("/usr/share"), "/usr/share/");
    EXPECT_EQ(AppendBackslash("/usr/share/"), "/usr/share/");
    EXPECT_EQ(AppendBackslash(""), "");
}

} // namespace
