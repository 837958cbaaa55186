#include "scene/CCharacter.h"

#include "loader/TextureCache.h"
#include "platform/Mbcs.h"
#include "platform/ProgramFolder.h"
#include "scene/SceneGlobals.h"
#include "scene/SceneTypes.h"

#include "support/ChildProcess.h"
#include "support/FakeDevice.h"
#include "support/InjectedMachineMemory.h"
#include "support/ScratchFolder.h"
#include "support/SpecialFiles.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

const std::string kHeader = "Metasequoia Document\nFormat Text Ver 1.0\n";

// A triangle of three vertices as the body of an Object chunk.
const std::string kTriangle =
    "\tvertex 3 {\n\t\t0 0 0\n\t\t1 0 0\n\t\t0 1 0\n\t}\n\tface 1 {\n\t\t3 V(0 1 2)\n\t}\n";

std::string ObjectChunk(const std::string& name, const std::string& body) {
    return "Object \"" + name + "\" {\n" + body + "}\n";
}

std::string MaterialLine(const std::string& name, const std::string& texture) {
    return "\t\"" + name + "\" tex(\"" + texture + "\")\n";
}

D3DXMATRIX Translation(float x, float y, float z) {
    D3DXMATRIX matrix;
    D3DXMatrixTranslation(&matrix, x, y, z);
    return matrix;
}

D3DXMATRIX Scaling(float s) {
    D3DXMATRIX matrix;
    D3DXMatrixScaling(&matrix, s, s, s);
    return matrix;
}

// A character that already holds a part, a material, a motion name and a file name.
CCharacter Populated() {
    CCharacter character;
    character.m_parts.resize(1);
    character.m_parts[0].m_name = "old part";
    character.m_materials.resize(1);
    character.m_materials[0].m_name = "old material";
    character.m_animationNames = {"old motion"};
    character.m_strFileName = "old.mqo";
    return character;
}

void ExpectUnchanged(const CCharacter& character) {
    ASSERT_EQ(character.m_parts.size(), 1u);
    EXPECT_EQ(character.m_parts[0].m_name, "old part");
    ASSERT_EQ(character.m_materials.size(), 1u);
    EXPECT_EQ(character.m_materials[0].m_name, "old material");
    EXPECT_EQ(character.m_animationNames, std::vector<std::string>{"old motion"});
    EXPECT_EQ(character.m_strFileName, "old.mqo");
    EXPECT_EQ(character.m_nCollisionPart, -1);
}

TEST(CCharacterLoadModelTest, LoadsTheSampleModel) {
    // The model comes from the test data beside the repository, which a plain clone lacks.
    const fs::path model =
        fs::current_path() / "../shared/testdata/mqo/anatawa12-simple-bone/test.mqo";
    if (!fs::exists(model)) {
        GTEST_SKIP() << "no test data beside the repository: " << model.lexically_normal();
    }
    const std::string path = model.string();
    FakeDevice device;
    CCharacter character;

    ASSERT_TRUE(character.LoadModel(path, &device));

    ASSERT_EQ(character.m_materials.size(), 1u);
    const MQAMaterial& material = character.m_materials[0];
    EXPECT_EQ(material.m_name, "mat1");
    EXPECT_EQ(material.m_color.r, 1.0f);
    EXPECT_EQ(material.m_color.a, 1.0f);
    EXPECT_EQ(material.m_fDiffuse, 0.8f);
    EXPECT_EQ(material.m_fAmbient, 0.6f);
    EXPECT_EQ(material.m_fEmissive, 0.0f);
    EXPECT_EQ(material.m_fSpecular, 0.0f);
    EXPECT_EQ(material.m_fPower, 5.0f);
    EXPECT_EQ(material.GetTextureFile(), "");
    EXPECT_TRUE(device.textureRequests.empty());
    ASSERT_EQ(character.m_parts.size(), 1u);
    const MQAObject& part = character.m_parts[0];
    EXPECT_EQ(part.m_name, "obj");
    EXPECT_EQ(part.m_fFacet, 59.5f);
    // The vertices are in a binary block of the "BVertex" chunk, which the reader passes over.
    EXPECT_TRUE(part.m_vertices.empty());
    ASSERT_EQ(part.m_faces.size(), 15u);
    using Indices = decltype(MQAFace::indices);
    EXPECT_EQ(part.m_faces[0].indices, (Indices{0, 1, 3, 2}));
    EXPECT_EQ(part.m_faces[6].indices, (Indices{13, 12, 14, 15}));
    EXPECT_EQ(part.m_faces[14].indices, (Indices{21, 18, 16, 20}));
    for (const MQAFace& face : part.m_faces) {
        EXPECT_EQ(face.material, 0);
        EXPECT_TRUE(face.uv.empty()); // the UID group stands between M and UV
        EXPECT_TRUE(face.corners.empty());
    }
    EXPECT_TRUE(part.m_animations.empty());
    EXPECT_TRUE(part.m_boneAnimations.empty());
    EXPECT_TRUE(character.m_animationNames.empty());
    EXPECT_EQ(character.m_nCollisionPart, -1);
    // Faces naming vertices the part lacks give no triangle, so no buffer is made.
    EXPECT_TRUE(device.buffers.empty());
    EXPECT_EQ(part.m_pVertexBuffer, nullptr);
    EXPECT_EQ(character.m_strFileName, Mbcs::MakeLower(path)); // outside the program folder
}

TEST(CCharacterLoadModelTest, AnythingButARegularFileUpToTheLimitLeavesTheCharacterUnchanged) {
    const ScratchFolder folder(fs::temp_directory_path());
    const std::string model = kHeader + ObjectChunk("p", kTriangle);
    fs::create_directory(folder.Path() / "folder.mqo");
    const FilledFifo fifo(folder.PathOf("fifo.mqo"), model);
    WriteSparse(folder.PathOf("huge.mqo"), model, MaxModelFileBytes + 1);
    for (const char* name : {"missing.mqo", "folder.mqo", "fifo.mqo", "huge.mqo"}) {
        SCOPED_TRACE(name);
        FakeDevice device;
        CCharacter character = Populated();

        EXPECT_FALSE(character.LoadModel(folder.PathOf(name), &device));

        ExpectUnchanged(character);
        EXPECT_TRUE(device.buffers.empty());
        EXPECT_TRUE(device.textureRequests.empty());
    }
}

TEST(CCharacterLoadModelTest, UnconvertiblePathLeavesTheCharacterUnchanged) {
    FakeDevice device;
    CCharacter character = Populated();

    EXPECT_FALSE(character.LoadModel("/tmp/\x80.mqo", &device));

    ExpectUnchanged(character);
}

TEST(CCharacterLoadModelTest, ReadErrorKeepsWhatWasReadAndPreparesIt) {
    const ScratchFolder folder(fs::temp_directory_path());
    const ScratchFolder textures(fs::path(GetProgramFolder()) / "TEXTURE");
    textures.Write("t.bmp", "image");
    // The file ends inside the Object chunk.
    const std::string path = folder.Write(
        "Broken.MQO", kHeader + "Material 1 {\n" +
                          MaterialLine("m", textures.Path().filename().string() + "\\t.bmp") +
                          "}\nObject \"p\" {\n" + kTriangle);
    FakeDevice device;
    CCharacter character;

    EXPECT_FALSE(character.LoadModel(path, &device));

    ASSERT_EQ(character.m_parts.size(), 1u);
    EXPECT_EQ(character.m_parts[0].m_name, "p");
    EXPECT_EQ(character.m_parts[0].m_vertices.size(), 3u);
    ASSERT_EQ(character.m_materials.size(), 1u);
    EXPECT_EQ(device.textureRequests.size(), 1u);
    ASSERT_EQ(device.buffers.size(), 1u);
    EXPECT_EQ(device.buffers[0]->bytes.size(), 3u * sizeof(MeshVertex));
    EXPECT_EQ(character.m_parts[0].m_pVertexBuffer, device.buffers[0].get());
    EXPECT_EQ(character.m_strFileName, Mbcs::MakeLower(path));
    character.ReleaseDeviceObjects();
}

TEST(CCharacterLoadModelTest, RunningOutOfMemoryIsAReadFailure) {
    if (!ChildProcess::AddressSpaceCanBeLimited) {
        GTEST_SKIP() << "the sanitizer's address space cannot be limited";
    }
    const ScratchFolder folder(fs::temp_directory_path());
    // A file whose text does not fit, and one whose text fits but whose faces do not.
    WriteSparse(folder.PathOf("text.mqo"), kHeader, std::uint64_t{512} << 20);
    std::string faces = kHeader + "Object \"p\" {\n" + kTriangle + "\tface 300000 {\n";
    for (int i = 0; i < 300000; ++i) {
        faces += "3 V(0 1 2)\n";
    }
    folder.Write("faces.mqo", faces + "\t}\n}\n");
    for (const char* name : {"text.mqo", "faces.mqo"}) {
        SCOPED_TRACE(name);
        const int status = ChildProcess::ExitStatusWithAddressSpaceRoom(std::size_t{32} << 20, [&] {
            FakeDevice device;
            CCharacter character;
            if (character.LoadModel(folder.PathOf(name), &device)) {
                return 1;
            }
            // All that was read is given back.
            return character.m_parts.empty() && character.m_materials.empty() &&
                           character.GetMotionCount() == 0
                       ? 0
                       : 2;
        });
        EXPECT_EQ(status, 0);
    }
}

TEST(CCharacterLoadModelTest, NotAModelFileStoresItsNameAndFails) {
    const ScratchFolder folder(fs::temp_directory_path());
    const std::string path = folder.Write("notes.txt", "Hello\n");
    FakeDevice device;
    CCharacter character;

    EXPECT_FALSE(character.LoadModel(path, &device));

    EXPECT_TRUE(character.m_parts.empty());
    EXPECT_EQ(character.m_strFileName, Mbcs::MakeLower(path));
}

TEST(CCharacterLoadModelTest, FindsTheCollisionPart) {
    const ScratchFolder folder(fs::temp_directory_path());
    const std::string path =
        folder.Write("model.mqo", kHeader + ObjectChunk("body", "") + ObjectChunk("COLLISION", "") +
                                      ObjectChunk("collision", ""));
    FakeDevice device;
    CCharacter character;

    ASSERT_TRUE(character.LoadModel(path, &device));

    EXPECT_EQ(character.m_nCollisionPart, 1);
}

TEST(CCharacterLoadModelTest, PathsAreFoundWhateverTheirCaseAndSeparators) {
    const ScratchFolder folder(fs::temp_directory_path());
    folder.Write("Sub/Model.mqo", kHeader + ObjectChunk("a", ""));
    folder.Write("\xE8\xA1\xA8.mqo", kHeader + ObjectChunk("b", "")); // "表" in UTF-8
    const std::string base = folder.Path().string();
    const std::string names[] = {"/SUB/MODEL.MQO", "\\sub\\model.mqo", "/\x95\x5C.mqo"};
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        FakeDevice device;
        CCharacter character;
        EXPECT_TRUE(character.LoadModel(base + name, &device));
        EXPECT_EQ(character.m_parts.size(), 1u);
        EXPECT_EQ(character.m_strFileName, Mbcs::MakeLower(base + name));
    }
}

TEST(CCharacterLoadModelTest, ModelInsideTheProgramFolderIsStoredRelativeToIt) {
    const ScratchFolder folder(GetProgramFolder());
    const std::string path = folder.Write("Sub/Body.MQO", kHeader);
    FakeDevice device;
    CCharacter character;

    ASSERT_TRUE(character.LoadModel(path, &device));

    EXPECT_EQ(character.m_strFileName,
              Mbcs::MakeLower(folder.Path().filename().string()) + "\\sub\\body.mqo");
}

// Files of this process in the program's TEXTURE folder, removed with the folder when it was
// made for them.
class ProgramTextures {
public:
    ProgramTextures() : m_hadFolder(fs::exists(m_folder)) {
        fs::create_directories(m_folder / m_tag);
    }
    ~ProgramTextures() {
        fs::remove_all(m_folder / m_tag);
        if (!m_hadFolder) {
            std::error_code error;
            fs::remove(m_folder, error); // only when empty
        }
    }
    ProgramTextures(const ProgramTextures&) = delete;
    ProgramTextures& operator=(const ProgramTextures&) = delete;

    // The name relative to the TEXTURE folder of a new file, and its path.
    std::string Add(const std::string& name) {
        std::ofstream(m_folder / m_tag / name) << "image";
        return Name(name);
    }
    std::string Name(const std::string& name) const { return m_tag + "\\" + name; }
    std::string Path(const std::string& name) const { return (m_folder / m_tag / name).string(); }

private:
    fs::path m_folder = fs::path(GetProgramFolder()) / "TEXTURE";
    std::string m_tag = "Textures-" + std::to_string(static_cast<long>(getpid()));
    bool m_hadFolder;
};

// Writes `text` over a file in place and sets its modification time back, as `cp -p` does, so
// that only its change time tells; written again until the clock has moved on for that.
void RewriteKeepingTimes(const std::string& path, const std::string& text) {
    struct stat before {};
    ASSERT_EQ(::stat(path.c_str(), &before), 0);
    struct stat after {};
    do {
        std::ofstream(path, std::ios::binary) << text;
        const timespec times[2] = {before.st_atim, before.st_mtim};
        ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
        ASSERT_EQ(::stat(path.c_str(), &after), 0);
    } while (after.st_ctim.tv_sec == before.st_ctim.tv_sec &&
             after.st_ctim.tv_nsec == before.st_ctim.tv_nsec);
    ASSERT_EQ(after.st_ino, before.st_ino);
    ASSERT_EQ(after.st_size, before.st_size);
}

TEST(CCharacterLoadModelTest, TexturesComeFromTheTextureFolder) {
    ProgramTextures textures;
    const ScratchFolder model(fs::temp_directory_path());
    const std::string path = model.Write(
        "model.mqo", kHeader + "Material 5 {\n" + MaterialLine("exact", textures.Add("Skin.bmp")) +
                         MaterialLine("case", textures.Name("SKIN.BMP")) +
                         MaterialLine("sub", textures.Add("Face.bmp")) +
                         MaterialLine("missing", textures.Name("missing.bmp")) + "\t\"none\"\n}\n");
    FakeDevice device;
    CCharacter character;
    CCharacter second;

    ASSERT_TRUE(character.LoadModel(path, &device));
    RewriteKeepingTimes(textures.Path("Face.bmp"), "IMAGE");
    ASSERT_TRUE(second.LoadModel(path, &device));

    // Names that differ in case find the same file, which gives one texture, for the second
    // character too; the picture rewritten in between is decoded again for it. Each texture
    // takes its 4 bytes from the budget.
    const std::uint64_t budget = TextureCache::BudgetBytes();
    EXPECT_EQ(device.textureRequests,
              (std::vector<std::string>{textures.Path("Skin.bmp"), textures.Path("Face.bmp"),
                                        textures.Path("Face.bmp")}));
    EXPECT_EQ(device.textureLimits, (std::vector<std::uint64_t>{budget, budget - 4, budget - 8}));
    ASSERT_EQ(device.textures.size(), 3u);
    ASSERT_EQ(character.m_materials.size(), 5u);
    FakeTexture& shared = *device.textures[0];
    EXPECT_EQ(character.m_materials[0].m_pTexture, &shared);
    EXPECT_EQ(character.m_materials[1].m_pTexture, &shared);
    EXPECT_EQ(character.m_materials[2].m_pTexture, device.textures[1].get());
    EXPECT_EQ(character.m_materials[3].m_pTexture, nullptr);
    EXPECT_EQ(character.m_materials[4].m_pTexture, nullptr);
    EXPECT_EQ(second.m_materials[1].m_pTexture, &shared);
    EXPECT_EQ(second.m_materials[2].m_pTexture, device.textures[2].get());
    // A reference for each material, each released once with the character's device objects.
    EXPECT_EQ(shared.references, 4u);
    character.ReleaseDeviceObjects();
    EXPECT_EQ(shared.references, 2u);
    EXPECT_EQ(device.textures[1]->references, 0u);
    EXPECT_EQ(TextureCache::BytesInUse(), 8u);
    second.ReleaseDeviceObjects();
    EXPECT_EQ(shared.references, 0u);
    EXPECT_EQ(device.textures[2]->references, 0u);
    EXPECT_EQ(TextureCache::BytesInUse(), 0u);
}

// One budget holds for the textures of all characters: a quarter of the machine's memory
// where that is less than 1 GiB.
TEST(CCharacterLoadModelTest, TexturesPastTheBudgetAreLeftOutAndTheModelStillLoads) {
    ProgramTextures textures;
    const ScratchFolder model(fs::temp_directory_path());
    const std::string path = model.Write(
        "model.mqo",
        kHeader + "Material 5 {\n" + MaterialLine("a", textures.Add("a.png")) +
            MaterialLine("b", textures.Add("b.png")) + MaterialLine("c", textures.Add("c.png")) +
            MaterialLine("a again", textures.Name("a.png")) +
            MaterialLine("d", textures.Add("d.png")) + "}\n" + ObjectChunk("p", kTriangle));
    const std::string other =
        model.Write("other.mqo",
                    kHeader + "Material 1 {\n" + MaterialLine("c", textures.Name("c.png")) + "}\n");
    FakeDevice device;
    device.textureSide = 16; // 1024 bytes a texture
    CCharacter character;
    CCharacter later;
    // Room for a and b, and less than a texture after them.
    const InjectedMachineMemory machine(4 * (2 * 1024 + 1023));

    ASSERT_TRUE(character.LoadModel(path, &device));
    ASSERT_TRUE(later.LoadModel(other, &device));

    EXPECT_EQ(device.textureLimits, (std::vector<std::uint64_t>{3071, 2047, 1023, 1023, 1023}));
    ASSERT_EQ(device.textures.size(), 2u);
    ASSERT_EQ(character.m_materials.size(), 5u);
    EXPECT_EQ(character.m_materials[0].m_pTexture, device.textures[0].get());
    EXPECT_EQ(character.m_materials[1].m_pTexture, device.textures[1].get());
    EXPECT_EQ(character.m_materials[2].m_pTexture, nullptr);
    EXPECT_EQ(character.m_materials[3].m_pTexture, device.textures[0].get());
    EXPECT_EQ(character.m_materials[4].m_pTexture, nullptr);
    EXPECT_EQ(later.m_materials[0].m_pTexture, nullptr);
    ASSERT_EQ(device.buffers.size(), 1u);
    EXPECT_EQ(character.m_parts[0].m_pVertexBuffer, device.buffers[0].get());
    // Released textures give their bytes back.
    character.ReleaseDeviceObjects();
    ASSERT_TRUE(later.LoadModel(other, &device));
    EXPECT_EQ(device.textureLimits.back(), 3071u);
    EXPECT_EQ(later.m_materials[0].m_pTexture, device.textures[2].get());
    later.ReleaseDeviceObjects();
}

TEST(CCharacterMakeStoredFileNameTest, StripsOnlyALeadingProgramFolder) {
    const std::string hyou = "\x95\x5C";      // "表": trail byte "\"
    const std::string katakanaA = "\x83\x41"; // "ア": trail byte "A"
    const struct {
        const char* what;
        std::string path;
        std::string folder;
        std::string stored;
    } cases[] = {
        {"inside", "/opt/Prog/Models/Body.MQO", "/opt/Prog/", "models\\body.mqo"},
        {"folder in another case", "/OPT/PROG/a.mqo", "/opt/prog/", "a.mqo"},
        {"directly inside", "/opt/prog/a.mqo", "/opt/prog/", "a.mqo"},
        {"folder in the middle", "/home/x/opt/prog/Models/A.mqo", "/opt/prog/",
         "/home/x/opt/prog/models/a.mqo"},
        {"outside", "/Data/A.MQO", "/opt/prog/", "/data/a.mqo"},
        {"folder without its separator", "/opt/program/a.mqo", "/opt/prog/", "/opt/program/a.mqo"},
        {"windows separators", "C:\\Prog\\Sub\\A.MQO", "c:\\prog\\", "sub\\a.mqo"},
        {"trail byte backslash", "/opt/prog/" + hyou + "/A.mqo", "/opt/prog/", hyou + "\\a.mqo"},
        {"trail byte backslash in the folder", "/opt/" + hyou + "/X/a.mqo", "/opt/" + hyou + "/",
         "x\\a.mqo"},
        {"trail byte letter keeps its case", "/opt/prog/" + katakanaA + "B.MQO", "/opt/prog/",
         katakanaA + "b.mqo"},
        {"trail byte letter outside", "/Data/" + katakanaA + ".MQO", "/opt/prog/",
         "/data/" + katakanaA + ".mqo"},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.what);
        EXPECT_EQ(CCharacter::MakeStoredFileName(test.path, test.folder), test.stored);
    }
}

// A character of three parts: a collision part, a static part with one motion that scales by
// 2, and a skinned part; keyed at frame 0 at x = 10 with the motion "walk".
class CCharacterDrawTest : public ::testing::Test {
protected:
    CCharacterDrawTest() {
        const ScratchFolder folder(fs::temp_directory_path());
        const std::string scaleBy2 = "\t\t2 0 0 0 0 2 0 0 0 0 2 0 0 0 0 1\n";
        const std::string identity = "\t\t1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1\n";
        const std::string text =
            kHeader + "Material 1 {\n\t\"m\"\n}\n" + ObjectChunk("Collision", kTriangle) +
            ObjectChunk("body", kTriangle + "\tanimation \"walk\" {\n" + scaleBy2 + "\t}\n") +
            ObjectChunk("arm", kTriangle) + "BoneAnimation \"wave\" {\n\tbone 0 {\n" + identity +
            "\t}\n}\n";
        EXPECT_TRUE(character.LoadModel(folder.Write("model.mqo", text), &device));
        character.m_keys.resize(1);
        character.m_keys[0].m_nState = FrameContentKey;
        character.m_keys[0].m_position = D3DXVECTOR3(10, 0, 0);
        character.m_keys[0].m_strMotion = "walk";
        g_nCurrentFrame = 0;
    }
    ~CCharacterDrawTest() override { g_nCurrentFrame = 0; }

    FakeDevice device;
    CCharacter character;
};

TEST_F(CCharacterDrawTest, DrawsEveryPartButTheCollisionPart) {
    ASSERT_EQ(character.m_nCollisionPart, 0);
    ASSERT_EQ(device.buffers.size(), 2u); // the skinned part has none

    character.Draw(&device);

    ASSERT_EQ(device.draws.size(), 2u);
    // The static part: its motion matrix first, then the character's world matrix.
    EXPECT_EQ(device.draws[0].world, Scaling(2) * Translation(10, 0, 0));
    EXPECT_EQ(device.draws[0].world._41, 10.0f);
    EXPECT_EQ(device.draws[0].primitives, 1u);
    EXPECT_EQ(character.m_parts[1].m_matLastWorld, Scaling(2) * Translation(10, 0, 0));
    // The skinned part: the character's world matrix alone.
    EXPECT_EQ(device.draws[1].world, Translation(10, 0, 0));
    EXPECT_EQ(device.draws[1].userVertices.size(), 3u * sizeof(MeshVertex));
    EXPECT_EQ(device.stream, character.m_parts[1].m_pVertexBuffer);
}

TEST_F(CCharacterDrawTest, FrameWithoutKeyDrawsTheFirstMotionMatrixAtTheOrigin) {
    g_nCurrentFrame = 5;

    character.Draw(&device);

    ASSERT_EQ(device.draws.size(), 2u);
    EXPECT_EQ(device.draws[0].world, Scaling(2));
}

TEST_F(CCharacterDrawTest, HiddenCharacterDrawsNothing) {
    character.m_bShown = false;

    character.Draw(&device);

    EXPECT_TRUE(device.draws.empty());
    EXPECT_EQ(device.fvf, 0u);
    EXPECT_EQ(character.m_parts[1].m_matLastWorld,
              D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1));
}

TEST(CCharacterCreateBuffersTest, ReleasesTheOldBufferBeforeBuildingANewOne) {
    FakeVertexBuffer oldStatic;
    FakeVertexBuffer oldSkinned;
    CCharacter character;
    character.m_materials.resize(1);
    character.m_parts.resize(3);
    for (MQAObject& part : character.m_parts) {
        part.AddVertex(0, 0, 0, 0);
        part.AddVertex(1, 0, 0, 0);
        part.AddVertex(0, 1, 0, 0);
        part.m_faces.resize(1);
        part.m_faces[0].indices = {0, 1, 2};
    }
    character.m_parts[0].m_pVertexBuffer = &oldStatic;
    character.m_parts[1].m_pVertexBuffer = &oldSkinned;
    character.m_parts[1].m_boneAnimations.resize(1);
    FakeDevice device;

    character.CreateBuffers(&device);

    EXPECT_EQ(oldStatic.releases, 1);
    EXPECT_EQ(oldSkinned.releases, 1);
    ASSERT_EQ(device.buffers.size(), 2u);
    EXPECT_EQ(character.m_parts[0].m_pVertexBuffer, device.buffers[0].get());
    EXPECT_EQ(character.m_parts[1].m_pVertexBuffer, nullptr);
    EXPECT_EQ(character.m_parts[1].m_skinnedVertices.size(), 3u);
    EXPECT_EQ(character.m_parts[2].m_pVertexBuffer, device.buffers[1].get());

    character.CreateBuffers(&device);

    EXPECT_EQ(device.buffers[0]->releases, 1);
    EXPECT_EQ(device.buffers[1]->releases, 1);
    EXPECT_EQ(oldStatic.releases, 1);
    ASSERT_EQ(device.buffers.size(), 4u);
    EXPECT_EQ(character.m_parts[0].m_pVertexBuffer, device.buffers[2].get());
}

} // namespace
