#include "loader/LoaderMQA.h"

#include "platform/ParallelFor.h"
#include "scene/CCharacter.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace {
constexpr double MinimumVersion = 1.0;
// A vertex line "0 0 0" or a face line "0 V()" with its line feed.
constexpr std::size_t ShortestChunkLine = 6;
// Less than this is read on the caller's thread: starting threads would cost more.
constexpr std::size_t SmallestSlice = 1 << 20;

// Room for `more` items after the end of the list. When the list must grow, its room at least
// doubles, so that a list filled by many small chunks is copied a few times in all, not once
// a chunk.
template <typename T> void MakeRoom(std::vector<T>& list, std::size_t more) {
    const std::size_t needed = list.size() + more;
    if (needed > list.capacity()) {
        list.reserve(std::max(needed, 2 * list.capacity()));
    }
}

// The count that opens a chunk is believed only as far as the text after it could hold that
// many of its shortest lines.
template <typename T> void ReserveForChunk(std::vector<T>& list, int count, std::size_t text) {
    if (count > 0) {
        MakeRoom(list, std::min(static_cast<std::size_t>(count), text / ShortestChunkLine));
    }
}

void ReadItemLine(const StringSeparator& t, std::vector<MQAVertex>& vertices) {
    const int count = t.GetCount();
    if (count < 3) {
        return;
    }
    int bone = -1;
    if (count >= 4 && t.IsToken(3, "B")) {
        if (count < 7 || !t.IsToken(4, "(") || !t.IsToken(6, ")")) {
            return; // an ill-formed bone group drops the vertex
        }
        bone = t.GetInt(5);
    }
    vertices.push_back(MQAVertex{t.GetFloat(0), t.GetFloat(1), t.GetFloat(2), bone});
}

void ReadItemLine(const StringSeparator& t, std::vector<MQAFace>& faces) {
    const int count = t.GetCount();
    if (count == 0) {
        return; // a blank line
    }
    const int n = t.GetInt(0);
    if (count < 2 || !t.IsToken(1, "V")) {
        throw static_cast<int>(LoaderMQA::FormatError);
    }
    if (n < 0) {
        return; // a negative corner count is dropped like any ill-formed face line
    }
    if (count < static_cast<long long>(n) + 4) {
        throw static_cast<int>(LoaderMQA::FormatError);
    }
    // From here n + 4 <= count, so no position below overflows.
    if (!t.IsToken(2, "(") || !t.IsToken(n + 3, ")")) {
        return;
    }
    const int corners = std::min(n, static_cast<int>(MaximumFaceCorners));
    MQAFace face;
    for (int k = 0; k < corners; ++k) {
        face.indices.push_back(t.GetInt(3 + k));
    }
    int p = n + 4;
    if (t.IsToken(p, "M") && count >= n + 8) {
        if (!t.IsToken(n + 5, "(") || !t.IsToken(n + 7, ")")) {
            return;
        }
        face.material = t.GetInt(n + 6);
        p = n + 8;
    }
    if (t.IsToken(p, "UV") && count >= static_cast<long long>(p) + 2LL * n + 3) {
        if (!t.IsToken(p + 1, "(") || !t.IsToken(p + 2 * n + 2, ")")) {
            return;
        }
        for (int k = 0; k < corners; ++k) {
            face.uv.push_back({t.GetFloat(p + 2 + 2 * k), t.GetFloat(p + 3 + 2 * k)});
        }
    }
    faces.push_back(face);
}

// Lines of a chunk, none of them its closing line, with a tokenizer that starts over on them.
template <typename T>
void ReadLines(std::string_view lines, int declaredCount, AsciiFileString& tokenizer,
               std::vector<T>& list) {
    ReserveForChunk(list, declaredCount, lines.size());
    tokenizer.Restart(lines);
    while (tokenizer.ReadLine() >= 0) {
        ReadItemLine(tokenizer, list);
    }
}

// The lines at the start of `lines` up to the first line end at or after `size` bytes (all of
// them when there is none), taken off `lines`: a slice of a chunk holds whole lines only, so
// that it is read as the same lines as the whole.
std::string_view TakeLines(std::string_view& lines, std::size_t size) {
    const std::size_t lineFeed = size < lines.size() ? lines.find('\n', size - 1) : lines.npos;
    const std::size_t length = lineFeed == lines.npos ? lines.size() : lineFeed + 1;
    const std::string_view taken = lines.substr(0, length);
    lines.remove_prefix(length);
    return taken;
}

// Appends items [begin, end) of a slice's list to a part's list, which is to take `coming`
// items in all from here on, these included: it grows once, to hold them all. A slice's list
// that is all the part's list takes is moved whole.
template <typename T>
void AppendItems(std::vector<T>& list, std::vector<T>& slice, std::size_t begin, std::size_t end,
                 std::size_t coming) {
    if (begin == end) {
        return;
    }
    if (list.empty() && begin == 0 && end == slice.size() && coming == slice.size()) {
        list = std::move(slice);
        return;
    }
    if (list.size() + coming > list.capacity()) {
        list.reserve(list.size() + coming);
    }
    list.insert(list.end(),
                std::make_move_iterator(slice.begin() + static_cast<std::ptrdiff_t>(begin)),
                std::make_move_iterator(slice.begin() + static_cast<std::ptrdiff_t>(end)));
}

// Lines of one deferred chunk, and where the items read from them lie in their slice's lists.
struct Piece {
    std::size_t chunk;
    std::string_view lines;
    std::size_t begin = 0;
    std::size_t end = 0;
};

// Consecutive pieces, read on one thread into a part of their own.
struct Slice {
    std::size_t firstPiece;
    MQAObject read;
};

} // namespace

LoaderMQA::LoaderMQA(CCharacter* owner, std::string_view text)
    : m_pOwner(owner), m_text(text), m_tokenizer(text) {}

int LoaderMQA::Load() {
    CCharacter& owner = *m_pOwner;
    const std::size_t parts = owner.m_parts.size();
    const std::size_t materials = owner.m_materials.size();
    const std::size_t motions = owner.m_animationNames.size();
    // Bone animations before the file's first object go to the part the character held last.
    const std::size_t boneAnimations = parts > 0 ? owner.m_parts.back().m_boneAnimations.size() : 0;
    const std::size_t boneNames = parts > 0 ? owner.m_parts.back().m_boneAnimationNames.size() : 0;
    const int code = ReadFile();
    if (ReadDeferredChunks()) {
        return code;
    }
    // An ill-formed line in a chunk read later: the file is read again from its start, line by
    // line, so that the character keeps exactly what came before that line.
    owner.m_parts.resize(parts);
    owner.m_materials.resize(materials);
    owner.m_animationNames.resize(motions);
    if (parts > 0) {
        owner.m_parts.back().m_boneAnimations.resize(boneAnimations);
        owner.m_parts.back().m_boneAnimationNames.resize(boneNames);
    }
    m_tokenizer.Restart(m_text);
    m_bObjectClosed = false;
    m_bDeferChunks = false;
    m_deferred.clear();
    return ReadFile();
}

int LoaderMQA::ReadFile() {
    try {
        ReadHeader();
        ReadChunks();
        return Success;
    } catch (int code) {
        return code;
    }
}

bool LoaderMQA::DeferChunk(const MQAObject& part, ChunkKind kind, int declaredCount) {
    if (!m_bDeferChunks) {
        return false;
    }
    const std::optional<std::string_view> lines = m_tokenizer.TakeChunkLines();
    if (!lines) {
        return false;
    }
    const auto index = static_cast<std::size_t>(&part - m_pOwner->m_parts.data());
    m_deferred.push_back({index, kind, declaredCount, *lines});
    return true;
}

template <typename Visit> void LoaderMQA::VisitList(ChunkKind kind, Visit&& visit) {
    if (kind == ChunkKind::Vertices) {
        visit(&MQAObject::m_vertices);
    } else {
        visit(&MQAObject::m_faces);
    }
}

bool LoaderMQA::ReadDeferredChunks() {
    if (m_deferred.empty()) {
        return true;
    }
    std::size_t total = 0;
    for (const DeferredChunk& chunk : m_deferred) {
        total += chunk.lines.size();
    }
    // Slices of about one size, whatever the chunks: a chunk larger than a slice is cut into
    // several, and many small ones share one.
    const std::size_t sliceSize = std::max(SmallestSlice, total / ProcessorCores());
    std::vector<Piece> pieces;
    pieces.reserve(m_deferred.size()); // one a chunk, and a few more where slices cut them
    std::vector<Slice> slices;
    std::size_t room = 0; // bytes that the last slice may still take
    for (std::size_t c = 0; c < m_deferred.size(); ++c) {
        std::string_view lines = m_deferred[c].lines;
        if (lines.size() > room && lines.size() <= sliceSize) {
            room = 0; // a chunk that one slice can hold is not cut: its list is then moved whole
        }
        while (!lines.empty()) {
            if (room == 0) {
                slices.push_back({pieces.size(), {}});
                room = sliceSize;
            }
            const std::string_view piece = TakeLines(lines, room);
            room -= std::min(room, piece.size());
            pieces.push_back({c, piece});
        }
    }
    const auto endOf = [&](std::size_t s) {
        return s + 1 < slices.size() ? slices[s + 1].firstPiece : pieces.size();
    };
    const auto read = [&](std::size_t s) {
        MQAObject& into = slices[s].read;
        AsciiFileString tokenizer({});
        for (std::size_t p = slices[s].firstPiece; p < endOf(s); ++p) {
            Piece& piece = pieces[p];
            const DeferredChunk& chunk = m_deferred[piece.chunk];
            VisitList(chunk.kind, [&](auto list) {
                piece.begin = (into.*list).size();
                ReadLines(piece.lines, chunk.declaredCount, tokenizer, into.*list);
                piece.end = (into.*list).size();
            });
        }
    };
    try {
        ParallelFor(slices.size(), read, total >= SmallestSlice);
    } catch (int) {
        return false; // the chunks stay, so that a second reading fails as well
    }
    // The items still to come into each part's lists, so that each list grows only once.
    std::vector<std::size_t> coming(2 * m_pOwner->m_parts.size());
    const auto comingTo = [&](const DeferredChunk& chunk) -> std::size_t& {
        return coming[2 * chunk.part + (chunk.kind == ChunkKind::Vertices ? 0 : 1)];
    };
    for (const Piece& piece : pieces) {
        comingTo(m_deferred[piece.chunk]) += piece.end - piece.begin;
    }
    // In file order. Each slice is freed once appended, so that the parts' lists and the
    // slices together hold little more than the parts' lists.
    for (std::size_t s = 0; s < slices.size(); ++s) {
        MQAObject& from = slices[s].read;
        for (std::size_t p = slices[s].firstPiece; p < endOf(s);) {
            const DeferredChunk& chunk = m_deferred[pieces[p].chunk];
            // Pieces in a row that go to the same list lie in a row in the slice's list too.
            std::size_t last = p;
            while (last + 1 < endOf(s) && m_deferred[pieces[last + 1].chunk].part == chunk.part &&
                   m_deferred[pieces[last + 1].chunk].kind == chunk.kind) {
                ++last;
            }
            MQAObject& part = m_pOwner->m_parts[chunk.part];
            std::size_t& items = comingTo(chunk);
            VisitList(chunk.kind, [&](auto list) {
                AppendItems(part.*list, from.*list, pieces[p].begin, pieces[last].end, items);
            });
            items -= pieces[last].end - pieces[p].begin;
            p = last + 1;
        }
        from = MQAObject();
    }
    m_deferred.clear();
    return true;
}

int LoaderMQA::ReadHeader() {
    const AsciiFileString& t = m_tokenizer;
    if (m_tokenizer.ReadLine() < 2 || !t.IsToken(0, "Metasequoia") || !t.IsToken(1, "Document")) {
        throw static_cast<int>(NotMetasequoia);
    }
    if (m_tokenizer.ReadLine() < 4 || !t.IsToken(0, "Format") || !t.IsToken(1, "Text") ||
        !t.IsToken(2, "Ver") || t.GetDouble(3) < MinimumVersion) {
        throw static_cast<int>(UnsupportedFormat);
    }
    return 1;
}

int LoaderMQA::ReadChunkLine() {
    const int count = m_tokenizer.ReadLine();
    if (count < 0) {
        throw static_cast<int>(UnexpectedEnd);
    }
    return count;
}

bool LoaderMQA::IsChunkEnd() const {
    return m_tokenizer.IsToken(0, "}");
}

bool LoaderMQA::EndsWithOpeningBrace() const {
    return m_tokenizer.IsToken(m_tokenizer.GetCount() - 1, "{");
}

bool LoaderMQA::EndsWithBinaryBlock(int count) const {
    return count >= 3 && m_tokenizer.IsToken(count - 1, "]") && m_tokenizer.IsToken(count - 3, "[");
}

int LoaderMQA::ReadChunks() {
    const AsciiFileString& t = m_tokenizer;
    for (;;) {
        const int count = m_tokenizer.ReadLine();
        if (count < 0) {
            return 1;
        }
        if (count == 0) {
            continue;
        }
        const bool material = count >= 2 && t.IsToken(0, "Material");
        const bool object = count >= 2 && t.IsToken(0, "Object");
        // Bone animations belong to the part read last; before any part there is none.
        const bool boneAnimation =
            count >= 2 && t.IsToken(0, "BoneAnimation") && !m_pOwner->m_parts.empty();
        if (!material && !object && !boneAnimation) {
            SkipChunk(count);
            continue;
        }
        if (!EndsWithOpeningBrace()) {
            throw static_cast<int>(FormatError);
        }
        if (material) {
            ReadMaterials();
        } else if (object) {
            MQAObject& part = m_pOwner->m_parts.emplace_back();
            if (count >= 3) {
                part.m_name = t.GetToken(1);
            }
            if (ReadObject(part) == 0) {
                throw static_cast<int>(FormatError);
            }
        } else if (ReadBoneAnimation(m_pOwner->m_parts.back()) == 0) {
            throw static_cast<int>(FormatError);
        }
    }
}

int LoaderMQA::ReadMaterials() {
    for (;;) {
        if (ReadChunkLine() == 0) {
            continue; // a blank line adds no material
        }
        if (IsChunkEnd()) {
            return 1;
        }
        ReadMaterialLine();
    }
}

void LoaderMQA::ReadMaterialLine() {
    const AsciiFileString& t = m_tokenizer;
    const int count = t.GetCount();
    MQAMaterial material;
    material.m_name = t.GetToken(0);

    struct Key {
        const char* name;
        int values;
    };
    static constexpr Key keys[] = {{"shader", 1}, {"dbls", 1}, {"uid", 1},    {"col", 4},
                                   {"dif", 1},    {"amb", 1},  {"spc", 1},    {"emi", 1},
                                   {"power", 1},  {"tex", 1},  {"aplane", 1}, {"bump", 1}};
    int b = 1;
    while (b < count) {
        const Key* known = nullptr;
        for (const Key& key : keys) {
            if (t.IsToken(b, key.name) && b + key.values + 3 <= count) {
                known = &key;
                break;
            }
        }
        if (known != nullptr) {
            if (!t.IsToken(b + 1, "(") || !t.IsToken(b + known->values + 2, ")")) {
                break;
            }
            const std::string_view name = known->name;
            const int v = b + 2;
            if (name == "col") {
                material.m_color = {t.GetFloat(v), t.GetFloat(v + 1), t.GetFloat(v + 2),
                                    t.GetFloat(v + 3)};
            } else if (name == "dif") {
                material.m_fDiffuse = t.GetFloat(v);
            } else if (name == "amb") {
                material.m_fAmbient = t.GetFloat(v);
            } else if (name == "spc") {
                material.m_fSpecular = t.GetFloat(v);
            } else if (name == "emi") {
                material.m_fEmissive = t.GetFloat(v);
            } else if (name == "power") {
                material.m_fPower = t.GetFloat(v);
            } else if (name == "tex") {
                material.SetTextureFile(std::string(t.GetToken(v)));
            } else if (name == "aplane") {
                material.SetAlphaPlaneFile(std::string(t.GetToken(v)));
            } else if (name == "bump") {
                material.SetBumpFile(std::string(t.GetToken(v)));
            }
            b += known->values + 3;
            continue;
        }
        // An unknown group is passed over up to its closing parenthesis.
        if (!t.IsToken(b + 1, "(")) {
            break;
        }
        int close = b + 2;
        while (close < count && !t.IsToken(close, ")")) {
            ++close;
        }
        if (close >= count) {
            break;
        }
        b = close + 1;
    }
    material.UpdateMaterial();
    m_pOwner->m_materials.push_back(material);
}

int LoaderMQA::ReadObject(MQAObject& part) {
    const AsciiFileString& t = m_tokenizer;
    for (;;) {
        const int count = ReadChunkLine();
        if (count >= 1 && IsChunkEnd()) {
            m_bObjectClosed = true;
            return 1;
        }
        if (count >= 2 && t.IsToken(0, "facet")) {
            part.m_fFacet = t.GetFloat(1);
        } else if (count >= 2 && t.IsToken(0, "mirror_axis")) {
            part.m_nMirrorAxis = t.GetInt(1);
        } else if (count >= 3 &&
                   (t.IsToken(0, "vertex") || t.IsToken(0, "face") || t.IsToken(0, "animation"))) {
            if (!EndsWithOpeningBrace()) {
                return 0;
            }
            if (t.IsToken(0, "vertex")) {
                ReadVertices(part);
            } else if (t.IsToken(0, "face")) {
                ReadFaces(part);
            } else {
                ReadAnimation(part);
            }
        } else {
            SkipChunk(count);
        }
    }
}

template <typename T>
int LoaderMQA::ReadListChunk(MQAObject& part, ChunkKind kind, std::vector<T>& list) {
    const int declaredCount = m_tokenizer.GetInt(1);
    if (DeferChunk(part, kind, declaredCount)) {
        return 1;
    }
    // Read where it stands, after the chunks that wait, so that every list keeps the file's
    // order.
    if (!ReadDeferredChunks()) {
        throw static_cast<int>(FormatError);
    }
    ReserveForChunk(list, declaredCount, m_tokenizer.GetRemaining());
    for (;;) {
        ReadChunkLine();
        if (IsChunkEnd()) {
            return 1;
        }
        ReadItemLine(m_tokenizer, list);
    }
}

int LoaderMQA::ReadVertices(MQAObject& part) {
    return ReadListChunk(part, ChunkKind::Vertices, part.m_vertices);
}

int LoaderMQA::ReadFaces(MQAObject& part) {
    return ReadListChunk(part, ChunkKind::Faces, part.m_faces);
}

int LoaderMQA::ReadAnimation(MQAObject& part) {
    std::vector<D3DXMATRIX>& motion = part.m_animations.emplace_back();
    if (!m_bObjectClosed) {
        // The first object's motions name the character's motion list.
        m_pOwner->m_animationNames.emplace_back(m_tokenizer.GetToken(1));
    }
    ReadMatrixLines(motion);
    return 1;
}

void LoaderMQA::ReadMatrixLines(std::vector<D3DXMATRIX>& frames) {
    const AsciiFileString& t = m_tokenizer;
    for (;;) {
        const int count = ReadChunkLine();
        if (IsChunkEnd()) {
            return;
        }
        if (count < 16) {
            continue;
        }
        D3DXMATRIX& matrix = frames.emplace_back();
        for (int i = 0; i < 16; ++i) {
            matrix.m[i / 4][i % 4] = t.GetFloat(i);
        }
    }
}

int LoaderMQA::ReadBoneAnimation(MQAObject& part) {
    const AsciiFileString& t = m_tokenizer;
    part.m_boneAnimationNames.emplace_back(t.GetToken(1));
    part.m_boneAnimations.resize(part.m_boneAnimationNames.size());
    for (;;) {
        const int count = ReadChunkLine();
        if (IsChunkEnd()) {
            return 1;
        }
        if (count >= 2 && t.IsToken(0, "bone")) {
            if (!EndsWithOpeningBrace()) {
                return 0;
            }
            ReadBone(part);
        } else {
            SkipChunk(count);
        }
    }
}

int LoaderMQA::ReadBone(MQAObject& part) {
    ReadMatrixLines(part.m_boneAnimations.back().emplace_back());
    return 1;
}

int LoaderMQA::SkipChunk(int count) {
    if (count > 0 && EndsWithOpeningBrace()) {
        int depth = 1;
        while (depth > 0) {
            const int lineCount = ReadChunkLine();
            if (lineCount == 0) {
                continue;
            }
            if (m_tokenizer.IsToken(lineCount - 1, "{")) {
                ++depth;
            } else if (m_tokenizer.IsToken(lineCount - 1, "}")) {
                --depth;
            } else if (EndsWithBinaryBlock(lineCount)) {
                SkipBinary(lineCount - 2);
            }
        }
    } else if (EndsWithBinaryBlock(count)) {
        SkipBinary(count - 2);
    }
    return 1;
}

int LoaderMQA::SkipBinary(int index) {
    if (!m_tokenizer.SkipBytes(m_tokenizer.GetInt(index))) {
        throw static_cast<int>(FormatError);
    }
    return 1;
}
