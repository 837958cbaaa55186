#include "platform/CRiffReader.h"

#include "WaveBytes.h"
#include "support/ScratchFolder.h"
#include "support/SpecialFiles.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace WaveBytes;

class CRiffReaderTest : public testing::Test {
protected:
    // Opens a file of these bytes.
    bool OpenBytes(const std::string& bytes) {
        return reader.Open(folder.Write("file.riff", bytes));
    }

    ScratchFolder folder;
    CRiffReader reader;
    RiffChunk riff;
    RiffChunk chunk;
};

TEST_F(CRiffReaderTest, DescendsIntoTheRiffChunkAndReadsItsFormType) {
    ASSERT_TRUE(OpenBytes(Riff("WAVE", Chunk("abcd", "12"))));

    ASSERT_TRUE(reader.DescendRiff(riff));

    EXPECT_EQ(riff.id, MakeFourCC("RIFF"));
    EXPECT_EQ(riff.formType, MakeFourCC("WAVE"));
    EXPECT_EQ(riff.size, 14u);
    EXPECT_EQ(riff.start, 8u);
    EXPECT_EQ(riff.end, 22u);
}

TEST_F(CRiffReaderTest, PassesOverChunksBeforeTheRiffChunk) {
    ASSERT_TRUE(OpenBytes(Chunk("JUNK", "xyz") + Riff("WAVE", "")));

    ASSERT_TRUE(reader.DescendRiff(riff));

    EXPECT_EQ(riff.formType, MakeFourCC("WAVE"));
    EXPECT_EQ(riff.start, 20u);
}

TEST_F(CRiffReaderTest, DescendsIntoTheFirstSubChunkWhateverItsId) {
    ASSERT_TRUE(OpenBytes(Riff("WAVE", Chunk("LIST", "ab") + Chunk("fmt ", "0123"))));
    ASSERT_TRUE(reader.DescendRiff(riff));

    ASSERT_TRUE(reader.Descend(chunk, riff));

    EXPECT_EQ(chunk.id, MakeFourCC("LIST"));
    EXPECT_EQ(chunk.size, 2u);
    char data[2];
    ASSERT_TRUE(reader.Read(data, sizeof data));
    EXPECT_EQ(std::string(data, 2), "ab");
}

TEST_F(CRiffReaderTest, FindsAChunkAfterAnOddSizedOneAndItsPaddingByte) {
    ASSERT_TRUE(OpenBytes(Riff("WAVE", Chunk("odd ", "abc") + Chunk("data", "wxyz"))));
    ASSERT_TRUE(reader.DescendRiff(riff));

    ASSERT_TRUE(reader.FindChunk(chunk, riff, MakeFourCC("data")));

    char data[4];
    ASSERT_TRUE(reader.Read(data, sizeof data));
    EXPECT_EQ(std::string(data, 4), "wxyz");
}

TEST_F(CRiffReaderTest, AscendMovesPastTheChunk) {
    ASSERT_TRUE(OpenBytes(Riff("WAVE", Chunk("one ", "abcdef") + Chunk("two ", "gh"))));
    ASSERT_TRUE(reader.DescendRiff(riff));
    ASSERT_TRUE(reader.Descend(chunk, riff));
    char first;
    ASSERT_TRUE(reader.Read(&first, 1));

    ASSERT_TRUE(reader.Ascend(chunk));
    ASSERT_TRUE(reader.Descend(chunk, riff));

    EXPECT_EQ(chunk.id, MakeFourCC("two "));
}

TEST_F(CRiffReaderTest, ChunkMissingFromTheRiffChunkIsNotFound) {
    ASSERT_TRUE(OpenBytes(Riff("WAVE", Chunk("fmt ", "0123"))));
    ASSERT_TRUE(reader.DescendRiff(riff));

    EXPECT_FALSE(reader.FindChunk(chunk, riff, MakeFourCC("data")));
}

TEST_F(CRiffReaderTest, ChunkRunningPastItsParentIsNotDescendedInto) {
    ASSERT_TRUE(OpenBytes(Riff("WAVE", Chunk("data", "abcd", 1000))));
    ASSERT_TRUE(reader.DescendRiff(riff));

    EXPECT_FALSE(reader.Descend(chunk, riff));
}

TEST_F(CRiffReaderTest, ChunkWithTheLargestSizeIsFoundOnlyAsOneCutShort) {
    const std::string bytes = Riff("WAVE", Chunk("data", "abcd", 0xFFFFFFFF));
    ASSERT_TRUE(OpenBytes(bytes));
    ASSERT_TRUE(reader.DescendRiff(riff));

    EXPECT_FALSE(reader.FindChunk(chunk, riff, MakeFourCC("data")));
    ASSERT_TRUE(reader.DescendRiff(riff));
    ASSERT_TRUE(reader.FindCutChunk(chunk, riff, MakeFourCC("data")));
    EXPECT_EQ(chunk.size, 0xFFFFFFFFu);
    EXPECT_EQ(chunk.end, bytes.size());
}

TEST_F(CRiffReaderTest, RiffSizePastTheFileEndsAtTheFile) {
    const std::string bytes = Riff("WAVE", Chunk("data", "abcd"), 5000);
    ASSERT_TRUE(OpenBytes(bytes));

    ASSERT_TRUE(reader.DescendRiff(riff));

    EXPECT_EQ(riff.end, bytes.size());
    EXPECT_TRUE(reader.FindChunk(chunk, riff, MakeFourCC("data")));
}

TEST_F(CRiffReaderTest, SubChunksAreBoundByARiffSizeSmallerThanTheFile) {
    // The "data" chunk lies after the end that the RIFF header claims.
    ASSERT_TRUE(OpenBytes(Riff("WAVE", Chunk("fmt ", "0123") + Chunk("data", "abcd"), 16)));
    ASSERT_TRUE(reader.DescendRiff(riff));

    EXPECT_FALSE(reader.FindChunk(chunk, riff, MakeFourCC("data")));
}

TEST_F(CRiffReaderTest, FileWithoutARiffChunkHasNone) {
    ASSERT_TRUE(OpenBytes(Chunk("LIST", "abcd")));

    EXPECT_FALSE(reader.DescendRiff(riff));
}

TEST_F(CRiffReaderTest, RiffChunkTooShortForAFormTypeIsRejected) {
    ASSERT_TRUE(OpenBytes("RIFF" + DoubleWord(2) + "WA"));

    EXPECT_FALSE(reader.DescendRiff(riff));
}

TEST_F(CRiffReaderTest, EmptyAndTruncatedFilesHaveNoChunks) {
    for (const std::string& bytes : {std::string(), std::string("RIF"), std::string("RIFF\x10")}) {
        ASSERT_TRUE(OpenBytes(bytes));
        EXPECT_FALSE(reader.DescendRiff(riff)) << bytes.size() << " bytes";
    }
}

TEST_F(CRiffReaderTest, ReadPastTheEndOfTheFileFails) {
    ASSERT_TRUE(OpenBytes(Riff("WAVE", "")));
    ASSERT_TRUE(reader.DescendRiff(riff));

    char byte;
    EXPECT_FALSE(reader.Read(&byte, 1));
}

TEST_F(CRiffReaderTest, OnlyRegularFilesUpToTheLimitOpen) {
    const std::string bytes = Riff("WAVE", Chunk("abcd", "12"));
    const FilledFifo fifo(folder.PathOf("fifo.wav"), bytes);
    WriteSparse(folder.PathOf("huge.wav"), bytes, CRiffReader::MaxFileBytes + 1);
    for (const std::string& path :
         {folder.PathOf("missing.wav"), folder.Path().string(), folder.PathOf("fifo.wav"),
          std::string("/dev/zero"), folder.PathOf("huge.wav")}) {
        EXPECT_FALSE(reader.Open(path)) << path;
        EXPECT_FALSE(reader.DescendRiff(riff));
    }
}

} // namespace
