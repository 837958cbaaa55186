#pragma once

// Reads a Metasequoia-syntax text file (.mqo, .mqa, .qkba) into a character: materials,
// mesh parts with vertices, faces and per-frame object matrices, and bone animations. It only
// appends to the character. Load returns 0 on success or an error code:
//   -1 format error, -2 end of file inside a chunk, -3 not a Metasequoia document,
//   -4 unsupported format.

#include "loader/AsciiFileString.h"
#include "platform/D3DXMath.h"

#include <string_view>
#include <vector>

class CCharacter;
class MQAObject;

class LoaderMQA {
public:
    enum Result {
        Success = 0,
        FormatError = -1,
        UnexpectedEnd = -2,
        NotMetasequoia = -3,
        UnsupportedFormat = -4
    };

    // The text must outlive the reader.
    LoaderMQA(CCharacter* owner, std::string_view text);
    virtual ~LoaderMQA() = default;

    int Load();

private:
    // The reading operations throw their error code as an int; Load catches it. Those that
    // return 0 make their caller throw a format error.
    int ReadHeader();
    int ReadChunks();
    int ReadMaterials();
    int ReadObject(MQAObject& part);
    int ReadVertices(MQAObject& part);
    int ReadFaces(MQAObject& part);
    int ReadAnimation(MQAObject& part);
    int ReadBoneAnimation(MQAObject& part);
    int ReadBone(MQAObject& part);
    int SkipChunk(int count);
    int SkipBinary(int index);

    void ReadMaterialLine();
    void ReadVertexLine(MQAObject& part);
    void ReadFaceLine(MQAObject& part);
    // Reads the next line inside a chunk; the end of the file there is an error.
    int ReadChunkLine();
    bool IsChunkEnd() const;
    bool EndsWithOpeningBrace() const;
    bool EndsWithBinaryBlock(int count) const;
    void ReadMatrixLines(std::vector<D3DXMATRIX>& frames);
    // Sizes a part's list once from the count on its chunk's opening line.
    template <typename T> void ReserveForChunk(std::vector<T>& list);

    CCharacter* m_pOwner;
    AsciiFileString m_tokenizer;
    bool m_bObjectClosed = false;
};
