#pragma once

// Reads a Metasequoia-syntax text file (.mqo, .mqa, .qkba) into a character: materials,
// mesh parts with vertices, faces and per-frame object matrices, and bone animations. It only
// appends to the character. Load returns 0 on success or an error code:
//   -1 format error, -2 end of file inside a chunk, -3 not a Metasequoia document,
//   -4 unsupported format.
//
// Vertex and face lines are nearly all of a large model. Each vertex or face chunk is passed
// over where it stands and its lines are read once the rest of the file is, on the
// processor's cores side by side; the results are those of one reading from start to end.

#include "loader/AsciiFileString.h"
#include "platform/D3DXMath.h"

#include <cstddef>
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
    enum class ChunkKind { Vertices, Faces };
    // A vertex or face chunk of the part with that index, read after the rest of the file.
    struct DeferredChunk {
        std::size_t part;
        ChunkKind kind;
        int declaredCount; // the count on the chunk's opening line
        std::string_view lines;
    };

    // Reads the file from its start; 0 or the error code.
    int ReadFile();
    // Passes over the chunk whose opening line was just read, to be read later; false when
    // it is read where it stands (the file ends inside it, or reading side by side is off).
    bool DeferChunk(const MQAObject& part, ChunkKind kind, int declaredCount);
    // Calls visit with the member pointer of the parts' list of that kind.
    template <typename Visit> static void VisitList(ChunkKind kind, Visit&& visit);
    // Reads the chunks passed over so far into their parts. False when a line of them is
    // ill-formed: what was read after it is not to be kept.
    bool ReadDeferredChunks();

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
    // Reads the next line inside a chunk; the end of the file there is an error.
    int ReadChunkLine();
    bool IsChunkEnd() const;
    bool EndsWithOpeningBrace() const;
    bool EndsWithBinaryBlock(int count) const;
    void ReadMatrixLines(std::vector<D3DXMATRIX>& frames);
    // A vertex or face chunk into the part's list, now or later.
    template <typename T> int ReadListChunk(MQAObject& part, ChunkKind kind, std::vector<T>& list);

    CCharacter* m_pOwner;
    std::string_view m_text;
    AsciiFileString m_tokenizer;
    bool m_bObjectClosed = false;
    bool m_bDeferChunks = true;
    std::vector<DeferredChunk> m_deferred;
};
