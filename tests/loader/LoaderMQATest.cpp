#include "loader/LoaderMQA.h"

#include "scene/CCharacter.h"

#include "support/AllocationCounter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

namespace {

const std::string kHeader = "Metasequoia Document\nFormat Text Ver 1.0\n";

int Load(CCharacter& character, const std::string& text) {
    return LoaderMQA(&character, text).Load();
}

std::string ObjectChunk(const std::string& name, const std::string& body) {
    return "Object \"" + name + "\" {\n" + body + "}\n";
}

const std::string kFourVertices = "\tvertex 4 {\n\t\t0 0 0\n\t\t1 0 0\n\t\t1 1 0\n\t\t0 1 0\n\t}\n";

// Four vertices and a face chunk holding one line.
std::string FaceDocument(const std::string& faceLine) {
    return kHeader + ObjectChunk("part", kFourVertices + "\tface 1 {\n\t\t" + faceLine + "\n\t}\n");
}

// Sixteen numbers from `first` on, as an animation line holds them.
std::string MatrixLine(int first, int count = 16) {
    std::string line = "\t\t";
    for (int i = 0; i < count; ++i) {
        line += std::to_string(first + i) + " ";
    }
    return line + "\n";
}

D3DXMATRIX MatrixFrom(int first) {
    D3DXMATRIX matrix;
    for (int i = 0; i < 16; ++i) {
        matrix.m[i / 4][i % 4] = static_cast<float>(first + i);
    }
    return matrix;
}

// Everything the reader fills, as text, so that two loads can be compared whole.
std::string Describe(const CCharacter& character) {
    std::ostringstream out;
    for (const MQAMaterial& m : character.m_materials) {
        out << "material " << m.m_name << ' ' << m.m_color.r << ' ' << m.m_color.g << ' '
            << m.m_color.b << ' ' << m.m_color.a << ' ' << m.m_fDiffuse << ' ' << m.m_fAmbient
            << ' ' << m.m_fEmissive << ' ' << m.m_fSpecular << ' ' << m.m_fPower << " ["
            << m.m_textureFile << "] [" << m.m_alphaPlaneFile << "] [" << m.m_bumpFile << "]\n";
    }
    for (const std::string& name : character.m_animationNames) {
        out << "motion " << name << '\n';
    }
    for (const MQAObject& part : character.m_parts) {
        out << "part " << part.m_name << ' ' << part.m_fFacet << ' ' << part.m_nMirrorAxis << '\n';
        for (const MQAVertex& v : part.m_vertices) {
            out << " vertex " << v.x << ' ' << v.y << ' ' << v.z << ' ' << v.bone << '\n';
        }
        for (const MQAFace& face : part.m_faces) {
            out << " face " << face.material << " :";
            for (int index : face.indices) {
                out << ' ' << index;
            }
            for (const auto& [u, v] : face.uv) {
                out << " (" << u << ' ' << v << ')';
            }
            out << '\n';
        }
        for (const auto& motion : part.m_animations) {
            out << " animation " << motion.size() << '\n';
            for (const D3DXMATRIX& matrix : motion) {
                out << "  " << matrix._11 << ' ' << matrix._23 << ' ' << matrix._44 << '\n';
            }
        }
        for (std::size_t a = 0; a < part.m_boneAnimations.size(); ++a) {
            out << " bone animation " << part.GetBoneAnimationName(static_cast<int>(a)) << '\n';
            for (const auto& bone : part.m_boneAnimations[a]) {
                out << "  bone " << bone.size() << ' ' << (bone.empty() ? 0.0f : bone.back()._41)
                    << '\n';
            }
        }
    }
    return out.str();
}

std::string WithCrLf(const std::string& text) {
    std::string result;
    for (char c : text) {
        if (c == '\n') {
            result += '\r';
        }
        result += c;
    }
    return result;
}

TEST(LoaderMQATest, HeaderLinesDecideWhetherTheFileIsRead) {
    const struct {
        const char* what;
        std::string text;
        int code;
    } cases[] = {
        {"empty file", "", -3},
        {"blank first line", "\nMetasequoia Document\nFormat Text Ver 1.0\n", -3},
        {"byte-order mark", "\xEF\xBB\xBFMetasequoia Document\nFormat Text Ver 1.0\n", -3},
        {"one token", "Metasequoia\nFormat Text Ver 1.0\n", -3},
        {"other document", "Metasequoia Model\nFormat Text Ver 1.0\n", -3},
        {"quoted header", "\"Metasequoia Document\"\nFormat Text Ver 1.0\n", -3},
        {"one-line file", "Metasequoia Document\n", -4},
        {"blank second line", "Metasequoia Document\n\nFormat Text Ver 1.0\n", -4},
        {"version 0.9", "Metasequoia Document\nFormat Text Ver 0.9\n", -4},
        {"binary format", "Metasequoia Document\nFormat Binary Ver 1.0\n", -4},
        {"no version", "Metasequoia Document\nFormat Text Ver\n", -4},
        {"version not a number", "Metasequoia Document\nFormat Text Ver x1.0\n", -4},
        {"version 1.0", "Metasequoia Document\nFormat Text Ver 1.0\n", 0},
        {"version 2.0", "Metasequoia Document\nFormat Text Ver 2.0\n", 0},
        {"version 1", "Metasequoia Document\nFormat Text Ver 1\n", 0},
        {"lower and upper case", "metasequoia document\nFORMAT TEXT VER 1.0\n", 0},
        {"further tokens ignored", "Metasequoia Document x y\nFormat Text Ver 1.1 z {\n", 0},
        {"CR LF and no final line end", "Metasequoia Document\r\nFormat Text Ver 1.0", 0},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.what);
        CCharacter character;
        EXPECT_EQ(Load(character, test.text), test.code);
    }
}

TEST(LoaderMQATest, TwoLineFileLoadsNothing) {
    CCharacter character;

    EXPECT_EQ(Load(character, kHeader), 0);
    EXPECT_TRUE(character.m_parts.empty());
    EXPECT_TRUE(character.m_materials.empty());
    EXPECT_TRUE(character.m_animationNames.empty());
}

TEST(LoaderMQATest, UnknownChunksAreSkippedToTheirOwnClosingBrace) {
    const std::string text = kHeader + "Scene {\n"
                                       "\tpos 0 0 1500\n"
                                       "\tdirlights 1 {\n"
                                       "\t\tlight {\n"
                                       "\t\t\tdir 0.4 0.4 0.8 { x\n" // a brace not at the end
                                       "\t\t}\n"
                                       "\t}\n"
                                       "}\n"
                                       "IncludeXml \"model.mqx\"\n"
                                       "Material 1 {\n\t\"after\"\n}\n"
                                       "Eof\n";
    CCharacter character;

    EXPECT_EQ(Load(character, text), 0);
    ASSERT_EQ(character.m_materials.size(), 1u);
    EXPECT_EQ(character.m_materials[0].m_name, "after");
}

TEST(LoaderMQATest, EndOfFileInsideAnyChunkIsUnexpected) {
    const std::string chunks[] = {
        "Scene {\n\tlight {\n\t}\n",
        "Material 1 {\n\t\"m\"\n",
        "Object \"o\" {\n",
        "Object \"o\" {\n\tvertex 1 {\n\t\t0 0 0\n",
        "Object \"o\" {\n\tface 1 {\n",
        "Object \"o\" {\n\tanimation \"walk\" {\n",
        "Object \"o\" {\n\tBVertex 1 {\n\t}\n",
        "Object \"o\" {\n}\nBoneAnimation \"b\" {\n",
        "Object \"o\" {\n}\nBoneAnimation \"b\" {\n\tbone 0 {\n",
    };
    for (const std::string& chunk : chunks) {
        SCOPED_TRACE(chunk);
        CCharacter character;
        EXPECT_EQ(Load(character, kHeader + chunk), -2);
    }
}

TEST(LoaderMQATest, ListsKeepTheFileOrderWhenTheFileEndsInsideALaterChunk) {
    const struct {
        const char* body;
        int code;
        const char* description;
    } cases[] = {
        {"\tvertex 1 {\n\t\t1 1 1\n\t}\n\tvertex 1 {\n\t\t2 2 2\n", -2,
         "part o 0 0\n vertex 1 1 1 -1\n vertex 2 2 2 -1\n"},
        {"\tface 1 {\n\t\t3 V(0 1 2)\n\t}\n\tface 2 {\n\t\t3 V(1 2 0)\n\t\t3 X(0 1 2)\n", -1,
         "part o 0 0\n face 0 : 0 1 2\n face 0 : 1 2 0\n"},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.body);
        CCharacter character;
        EXPECT_EQ(Load(character, kHeader + "Object \"o\" {\n" + test.body), test.code);
        EXPECT_EQ(Describe(character), test.description);
    }
}

TEST(LoaderMQATest, BinaryBlockInsideASkippedChunkIsPassedOverExactly) {
    // The 96 bytes look like text with braces and a chunk; their last byte is a lead byte,
    // which would join the closing brace after them into one token if a byte were left over.
    std::string binary = "}\n}\n{\nObject \"inside\" {\n";
    binary += std::string("\0\x01\r\n{", 5);
    binary.resize(95, 'z');
    binary += '\x81';
    ASSERT_EQ(binary.size(), 96u);
    const std::string text =
        kHeader + "BVertex 1 {\n\tVector 8 [96]\n" + binary + "}\nMaterial 1 {\n\t\"after\"\n}\n";
    CCharacter character;

    EXPECT_EQ(Load(character, text), 0);
    EXPECT_TRUE(character.m_parts.empty());
    ASSERT_EQ(character.m_materials.size(), 1u);
    EXPECT_EQ(character.m_materials[0].m_name, "after");
}

TEST(LoaderMQATest, BinaryBlockAfterASingleUnknownLineIsPassedOver) {
    const std::string text = kHeader + "Blob [ 6 ]\n{{{{\n}Material 1 {\n\t\"after\"\n}\n";
    CCharacter character;

    EXPECT_EQ(Load(character, text), 0);
    ASSERT_EQ(character.m_materials.size(), 1u);
    EXPECT_EQ(character.m_materials[0].m_name, "after");
}

TEST(LoaderMQATest, BinaryBlockInsideAnObjectIsPassedOver) {
    const std::string text =
        kHeader + ObjectChunk("o", "\tBVertex 1 {\n\t\tVector 1 [4]\n}}}}\n\t}\n\tfacet 30\n");
    CCharacter character;

    EXPECT_EQ(Load(character, text), 0);
    ASSERT_EQ(character.m_parts.size(), 1u);
    EXPECT_EQ(character.m_parts[0].m_fFacet, 30.0f);
}

TEST(LoaderMQATest, NegativeBinaryByteCountIsAFormatError) {
    const std::string texts[] = {
        kHeader + "Blob {\n\tdata [-5]\n}\n",
        kHeader + "Blob [-1]\n",
        kHeader + ObjectChunk("o", "\tBVertex 1 {\n\t\tVector 1 [-2147483648]\n\t}\n"),
    };
    for (const std::string& text : texts) {
        SCOPED_TRACE(text);
        CCharacter character;
        EXPECT_EQ(Load(character, text), -1);
    }
}

TEST(LoaderMQATest, BinaryBlockBeyondTheEndOfTheFile) {
    CCharacter inChunk;
    CCharacter atTopLevel;

    EXPECT_EQ(Load(inChunk, kHeader + "Blob {\n\tdata [1000]\n}\n"), -2);
    EXPECT_EQ(Load(atTopLevel, kHeader + "Blob [1000]\nMaterial 1 {\n\"m\"\n}\n"), 0);
    EXPECT_TRUE(atTopLevel.m_materials.empty());
}

TEST(LoaderMQATest, MaterialLineWithOnlyANameHasEveryDefault) {
    CCharacter character;

    ASSERT_EQ(Load(character, kHeader + "Material 1 {\n\t\"skin\"\n}\n"), 0);

    ASSERT_EQ(character.m_materials.size(), 1u);
    const MQAMaterial& material = character.m_materials[0];
    EXPECT_EQ(Describe(character), "material skin 0.8 0.8 0.8 1 1 1 0 0 0.2 [] [] []\n");
    EXPECT_EQ(material.m_material.Diffuse.r, 0.8f);
    EXPECT_EQ(material.m_material.Ambient.b, 0.8f);
    EXPECT_EQ(material.m_material.Specular.r, 0.0f);
    EXPECT_EQ(material.m_material.Emissive.a, 1.0f);
    EXPECT_EQ(material.m_material.Power, 0.2f);
    EXPECT_EQ(material.m_pTexture, nullptr);
}

TEST(LoaderMQATest, MaterialLineSetsEveryKnownGroup) {
    const std::string line =
        "\t\"mat 1\" shader(3) dbls(1) uid(7) col(1 0 0 0.5) dif(0.5) amb(0.2) "
        "emi(0.1) spc(0.3) power(10) tex(\"tex 1.bmp\") aplane(\"a.bmp\") "
        "bump(\"b.bmp\")\n";
    CCharacter character;

    ASSERT_EQ(Load(character, kHeader + "Material 1 {\n" + line + "}\n"), 0);

    ASSERT_EQ(character.m_materials.size(), 1u);
    const MQAMaterial& material = character.m_materials[0];
    EXPECT_EQ(Describe(character),
              "material mat 1 1 0 0 0.5 0.5 0.2 0.1 0.3 10 [tex 1.bmp] [a.bmp] [b.bmp]\n");
    EXPECT_EQ(material.m_material.Diffuse.r, 0.5f);
    EXPECT_EQ(material.m_material.Diffuse.a, 0.5f);
    EXPECT_EQ(material.m_material.Ambient.r, 0.2f);
    EXPECT_EQ(material.m_material.Specular.g, 0.3f);
    EXPECT_EQ(material.m_material.Emissive.r, 0.1f);
    EXPECT_EQ(material.m_material.Emissive.g, 0.0f);
    EXPECT_EQ(material.m_material.Power, 10.0f);
}

TEST(LoaderMQATest, MaterialScanEndsAtAMalformedGroupButKeepsTheMaterial) {
    const struct {
        const char* line;
        const char* described;
    } cases[] = {
        {"\"m\" vcol(1) col(1 0 0 1) dif(0.5) tex(\"t.bmp\")", "m 1 0 0 1 0.5 1 0 0 0.2 [t.bmp]"},
        {"\"m\" vcol(1 2 (3) col(0 1 0 1)", "m 0 1 0 1 1 1 0 0 0.2 []"},
        {"\"m\" col(1 0 0)", "m 0.8 0.8 0.8 1 1 1 0 0 0.2 []"},
        {"\"m\" col(1 0 0) dif(0.5)", "m 0.8 0.8 0.8 1 1 1 0 0 0.2 []"},
        {"\"m\" dif(0.5) col 1 0 0 1 amb(0.5)", "m 0.8 0.8 0.8 1 0.5 1 0 0 0.2 []"},
        {"\"m\" flag dif(0.5)", "m 0.8 0.8 0.8 1 1 1 0 0 0.2 []"},
        {"\"m\" vcol(1 dif(0.5)", "m 0.8 0.8 0.8 1 1 1 0 0 0.2 []"},
        {"\"m\" dif(0.5 0.6) amb(0.5)", "m 0.8 0.8 0.8 1 1 1 0 0 0.2 []"},
        {"\"m\" dif(0.5", "m 0.8 0.8 0.8 1 1 1 0 0 0.2 []"},
        {"\"m\" tex()", "m 0.8 0.8 0.8 1 1 1 0 0 0.2 []"},
        {"\"m\" tex(\"\") dif(2)", "m 0.8 0.8 0.8 1 2 1 0 0 0.2 []"},
        {"\"m\" DIF(0.5) Col(0 0 1 1)", "m 0 0 1 1 0.5 1 0 0 0.2 []"},
        {"\"m\" dif(abc)", "m 0.8 0.8 0.8 1 0 1 0 0 0.2 []"},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.line);
        CCharacter character;
        ASSERT_EQ(Load(character, kHeader + "Material 1 {\n\t" + test.line + "\n}\n"), 0);
        EXPECT_EQ(Describe(character), std::string("material ") + test.described + " [] []\n");
    }
}

TEST(LoaderMQATest, MaterialCountOnTheChunkLineIsIgnored) {
    const struct {
        std::string text;
        std::vector<const char*> names;
    } cases[] = {
        {"Material 5 {\n\t\"a\"\n\t\"b\"\n}\n", {"a", "b"}},
        {"Material 1 {\n\t\"a\"\n\n\t\"b\"\n\tc\n}\n", {"a", "b", "c"}},
        {"material {\n}\n", {}},
        {"MATERIAL 2 {\n\t\"a\"\n}\nMaterial 1 {\n\t\"b\"\n}\n", {"a", "b"}},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.text);
        CCharacter character;
        ASSERT_EQ(Load(character, kHeader + test.text), 0);
        ASSERT_EQ(character.m_materials.size(), test.names.size());
        for (std::size_t i = 0; i < test.names.size(); ++i) {
            EXPECT_EQ(character.m_materials[i].m_name, test.names[i]);
        }
    }
}

TEST(LoaderMQATest, QuotedClosingBraceAsAMaterialNameEndsTheChunk) {
    const std::string text = kHeader + "Material 3 {\n\t\"a\"\n\t\"}\"\n\t\"b\"\n}\n";
    CCharacter character;

    EXPECT_EQ(Load(character, text), 0);
    ASSERT_EQ(character.m_materials.size(), 1u);
    EXPECT_EQ(character.m_materials[0].m_name, "a");
}

TEST(LoaderMQATest, ChunkLineWithoutItsOpeningBraceIsAFormatError) {
    const std::string texts[] = {
        "Material 2\n",
        "Material 2 {}\n",
        "Object \"o\"\n",
        "Object \"o\" { x\n",
        "Object \"o\" {\n}\nBoneAnimation \"b\"\n",
        "Object \"o\" {\n\tvertex 3 x\n}\n",
        "Object \"o\" {\n\tface 3 x\n}\n",
        "Object \"o\" {\n\tanimation \"walk\" 3\n}\n",
        "Object \"o\" {\n}\nBoneAnimation \"b\" {\n\tbone 0\n}\n",
    };
    for (const std::string& text : texts) {
        SCOPED_TRACE(text);
        CCharacter character;
        EXPECT_EQ(Load(character, kHeader + text), -1);
    }
}

TEST(LoaderMQATest, ShortChunkLinesAreSkippedAsUnknown) {
    // "Object" alone and "vertex {" have too few tokens to open their chunks.
    const std::string text =
        kHeader + "Object\n" + ObjectChunk("o", "\tvertex {\n\t\t1 2 3\n\t}\n\tface {\n\t}\n");
    CCharacter character;

    EXPECT_EQ(Load(character, text), 0);
    ASSERT_EQ(character.m_parts.size(), 1u);
    EXPECT_TRUE(character.m_parts[0].m_vertices.empty());
}

TEST(LoaderMQATest, ObjectChunkSetsNameFacetAndMirrorAxis) {
    const std::string text = kHeader + "Object \"body\" {\n\tfacet 59.5\n\tmirror_axis 2\n"
                                       "\tscale 2 2 2\n\tvisible 15\n\tcolor 1 0 0\n}\n"
                                       "OBJECT {\n}\n";
    CCharacter character;

    EXPECT_EQ(Load(character, text), 0);
    EXPECT_EQ(Describe(character), "part body 59.5 2\npart  0 0\n");
}

TEST(LoaderMQATest, VertexLinesGiveVerticesWithTheirBones) {
    const std::string text = kHeader + ObjectChunk("o", "\tvertex 9 {\n"
                                                        "\t\t1 2 3\n"
                                                        "\t\t4 5 6 B(4)\n"
                                                        "\t\t7 8 9 B 4\n"
                                                        "\t\t7 8 9 B(4\n"
                                                        "\t\t7 8 9 B[4]\n"
                                                        "\t\t1.5 -2e1 .25 extra (1)\n"
                                                        "\t\t1 2\n"
                                                        "\n"
                                                        "\t\t-0 1e-1 x b(-7)\n"
                                                        "\t}\n");
    CCharacter character;

    EXPECT_EQ(Load(character, text), 0);
    EXPECT_EQ(Describe(character), "part o 0 0\n"
                                   " vertex 1 2 3 -1\n"
                                   " vertex 4 5 6 4\n"
                                   " vertex 1.5 -20 0.25 -1\n"
                                   " vertex -0 0.1 0 -7\n");
}

TEST(LoaderMQATest, FaceLinesGiveFacesOrErrors) {
    const struct {
        const char* line;
        int code;
        const char* faces; // as Describe lists them
    } cases[] = {
        {"3 V(0 1 2)", 0, " face 0 : 0 1 2\n"},
        {"4 V(0 1 2 3) M(1)", 0, " face 1 : 0 1 2 3\n"},
        {"5 V(0 1 2 3 4)", 0, " face 0 : 0 1 2 3\n"},
        {"3 V(0 1 2) M(2) UV(0 0 1 0 1 1)", 0, " face 2 : 0 1 2 (0 0) (1 0) (1 1)\n"},
        {"4 V(3 2 1 0) UV(0 0.5 1 0 1 1 0.25 1)", 0,
         " face 0 : 3 2 1 0 (0 0.5) (1 0) (1 1) (0.25 1)\n"},
        {"5 V(0 1 2 3 0) UV(1 2 3 4 5 6 7 8 9 10)", 0,
         " face 0 : 0 1 2 3 (1 2) (3 4) (5 6) (7 8)\n"},
        {"3 v(0 1 2) m(1) uv(0 0 1 0 1 1)", 0, " face 1 : 0 1 2 (0 0) (1 0) (1 1)\n"},
        {"2 V(0 1)", 0, " face 0 : 0 1\n"},
        {"0 V()", 0, " face 0 :\n"},
        {"3 V(0 1 2) M 2", 0, " face 0 : 0 1 2\n"},
        {"3 V(0 1 2) M(1)", 0, " face 1 : 0 1 2\n"},
        {"3 V(0 1 2) M(1) UV(0 0 1 0)", 0, " face 1 : 0 1 2\n"},
        {"3 V(0 1 2) UID(5) UV(0 0 1 0 1 1)", 0, " face 0 : 0 1 2\n"},
        {"3 V(0 1 7) M(9)", 0, " face 9 : 0 1 7\n"},
        {"3 V(-1 1 2) M(-2)", 0, " face -2 : -1 1 2\n"},
        {"3 V[0 1 2)", 0, ""},
        {"3 V(0 1 2]", 0, ""},
        {"3 V(0 1 2) M[1]", 0, ""},
        {"3 V(0 1 2) M(1] x", 0, ""},
        {"3 V(0 1 2) UV[0 0 1 0 1 1)", 0, ""},
        {"3 V(0 1 2) UV(0 0 1 0 1 1 0 0)", 0, ""},
        {"-1 V(0)", 0, ""},
        {"-5 V", 0, ""},
        {"-2147483648 V(0 1 2)", 0, ""},
        {"3 X(0 1 2)", -1, ""},
        {"V(0 1 2)", -1, ""},
        {"3", -1, ""},
        {"3 V(0 1 2", -1, ""},
        {"4 V(0 1 2)", -1, ""},
        {"2147483647 V(0 1 2)", -1, ""},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.line);
        CCharacter character;
        EXPECT_EQ(Load(character, FaceDocument(test.line)), test.code);
        ASSERT_EQ(character.m_parts.size(), 1u);
        MQAObject part = character.m_parts[0];
        part.m_vertices.clear(); // the four vertices of the document
        character.m_parts = {part};
        EXPECT_EQ(Describe(character), std::string("part part 0 0\n") + test.faces);
    }
}

TEST(LoaderMQATest, ChunkCountsSizeTheListsOnlyAsFarAsTheFileCouldHoldThem) {
    const struct {
        const char* what;
        std::string body;
        std::size_t vertices;
        std::size_t faces;
    } cases[] = {
        {"true counts", kFourVertices + "\tface 2 {\n\t\t3 V(0 1 2)\n\t\t3 V(0 2 3)\n\t}\n", 4, 2},
        {"a huge vertex count", "\tvertex 2147483647 {\n\t\t0 0 0\n\t}\n", 1, 0},
        {"a huge face count", kFourVertices + "\tface 2000000000 {\n\t\t3 V(0 1 2)\n\t}\n", 4, 1},
        {"a negative count", "\tvertex -4 {\n\t\t0 0 0\n\t}\n", 1, 0},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.what);
        CCharacter character;

        ASSERT_EQ(Load(character, kHeader + ObjectChunk("part", test.body)), LoaderMQA::Success);

        const MQAObject& part = character.m_parts.at(0);
        EXPECT_EQ(part.m_vertices.size(), test.vertices);
        EXPECT_EQ(part.m_faces.size(), test.faces);
        // Never more room than the text after the chunk's line has lines for.
        EXPECT_LE(part.m_vertices.capacity(), 16u);
        EXPECT_LE(part.m_faces.capacity(), 16u);
    }
}

TEST(LoaderMQATest, ManySmallChunksInOneObjectCostNoMoreThanTheirLines) {
    // Lists that were copied whole for every chunk would allocate gigabytes here.
    constexpr int chunks = 10000;
    std::string vertexChunks;
    std::string faceChunks;
    for (int i = 0; i < chunks; ++i) {
        vertexChunks += "\tvertex 1 {\n\t\t" + std::to_string(i) + " 0 0\n\t}\n";
        faceChunks += "\tface 1 {\n\t\t3 V(0 1 " + std::to_string(i % 4) + ")\n\t}\n";
    }
    // An ill-formed line after them has the file read again line by line.
    const std::string illFormed = "\tface 1 {\n\t\t3 X(0 1 2)\n\t}\n";
    const struct {
        const char* what;
        std::string body;
        int code;
        std::size_t vertices;
        std::size_t faces;
    } cases[] = {
        {"vertex chunks", vertexChunks, LoaderMQA::Success, chunks, 0},
        {"face chunks", kFourVertices + faceChunks, LoaderMQA::Success, 4, chunks},
        {"vertex chunks read again", vertexChunks + illFormed, LoaderMQA::FormatError, chunks, 0},
        {"face chunks read again", kFourVertices + faceChunks + illFormed, LoaderMQA::FormatError,
         4, chunks},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.what);
        const std::string text = kHeader + ObjectChunk("part", test.body);
        CCharacter character;
        const AllocationCounter allocated;

        ASSERT_EQ(Load(character, text), test.code);

        EXPECT_LT(allocated.Bytes(), 128 * text.size());
        const MQAObject& part = character.m_parts.at(0);
        ASSERT_EQ(part.m_vertices.size(), test.vertices);
        ASSERT_EQ(part.m_faces.size(), test.faces);
        EXPECT_EQ(part.m_vertices.back().x, test.faces > 0 ? 0.0f : chunks - 1.0f);
        for (std::size_t j = 0; j < test.faces; ++j) {
            ASSERT_EQ(part.m_faces[j].indices[2], static_cast<int>(j % 4)) << "face " << j;
        }
    }
}

TEST(LoaderMQATest, BlankLinesInAFaceChunkAreIgnored) {
    const std::string text =
        kHeader + ObjectChunk("o", "\tface 2 {\n\n\t\t3 V(0 1 2)\n\t\t\n\t\t3 V(2 1 0)\n\t}\n");
    CCharacter character;

    EXPECT_EQ(Load(character, text), 0);
    ASSERT_EQ(character.m_parts.size(), 1u);
    EXPECT_EQ(character.m_parts[0].m_faces.size(), 2u);
}

TEST(LoaderMQATest, AnimationLinesAreMatricesRowByRow) {
    const std::string text =
        kHeader + ObjectChunk("o", "\tanimation \"walk\" {\n" + MatrixLine(1) +
                                       MatrixLine(100, 15) + MatrixLine(200, 17) + "\n\t}\n");
    CCharacter character;

    EXPECT_EQ(Load(character, text), 0);
    ASSERT_EQ(character.m_parts.size(), 1u);
    const auto& motions = character.m_parts[0].m_animations;
    ASSERT_EQ(motions.size(), 1u);
    ASSERT_EQ(motions[0].size(), 2u);
    EXPECT_EQ(motions[0][0], MatrixFrom(1));
    EXPECT_EQ(motions[0][0]._12, 2.0f);
    EXPECT_EQ(motions[0][0]._21, 5.0f);
    EXPECT_EQ(motions[0][1], MatrixFrom(200));
    EXPECT_EQ(character.m_animationNames, std::vector<std::string>{"walk"});
}

TEST(LoaderMQATest, OnlyTheFirstObjectNamesTheMotions) {
    const std::string text = kHeader +
                             ObjectChunk("first", "\tanimation \"walk\" {\n" + MatrixLine(1) +
                                                      "\t}\n\tanimation run {\n\t}\n") +
                             ObjectChunk("second", "\tanimation \"jump\" {\n" + MatrixLine(50) +
                                                       MatrixLine(70) + "\t}\n");
    CCharacter character;

    EXPECT_EQ(Load(character, text), 0);
    EXPECT_EQ(character.m_animationNames, (std::vector<std::string>{"walk", "run"}));
    ASSERT_EQ(character.m_parts.size(), 2u);
    EXPECT_EQ(character.m_parts[0].m_animations.size(), 2u);
    EXPECT_TRUE(character.m_parts[0].m_animations[1].empty());
    ASSERT_EQ(character.m_parts[1].m_animations.size(), 1u);
    ASSERT_EQ(character.m_parts[1].m_animations[0].size(), 2u);
    EXPECT_EQ(character.m_parts[1].m_animations[0][1], MatrixFrom(70));
}

TEST(LoaderMQATest, BoneAnimationsGoToThePartReadLast) {
    const std::string text = kHeader + ObjectChunk("a", "") + ObjectChunk("b", "") +
                             "BoneAnimation \"wave\" {\n"
                             "\tbone 0 {\n" +
                             MatrixLine(1) + MatrixLine(20) + MatrixLine(40, 15) +
                             "\t}\n"
                             "\tweights 2 {\n\t\tbone x {\n\t\t}\n\t}\n"
                             "\tBONE 1 {\n" +
                             MatrixLine(60) +
                             "\t}\n"
                             "}\n"
                             "BoneAnimation {\n}\n";
    CCharacter character;

    EXPECT_EQ(Load(character, text), 0);
    ASSERT_EQ(character.m_parts.size(), 2u);
    EXPECT_TRUE(character.m_parts[0].m_boneAnimations.empty());
    const MQAObject& part = character.m_parts[1];
    EXPECT_EQ(part.m_boneAnimationNames, (std::vector<std::string>{"wave", "{"}));
    ASSERT_EQ(part.m_boneAnimations.size(), 2u);
    ASSERT_EQ(part.m_boneAnimations[0].size(), 2u);
    ASSERT_EQ(part.m_boneAnimations[0][0].size(), 2u);
    EXPECT_EQ(part.m_boneAnimations[0][0][1], MatrixFrom(20));
    ASSERT_EQ(part.m_boneAnimations[0][1].size(), 1u);
    EXPECT_EQ(part.m_boneAnimations[0][1][0], MatrixFrom(60));
    EXPECT_TRUE(part.m_boneAnimations[1].empty());
    EXPECT_TRUE(character.m_animationNames.empty());
}

TEST(LoaderMQATest, BoneAnimationBeforeAnyObjectIsSkipped) {
    const std::string text = kHeader + "BoneAnimation \"early\" {\n\tbone 0 {\n" + MatrixLine(1) +
                             "\t}\n}\n" + ObjectChunk("a", "");
    CCharacter character;

    EXPECT_EQ(Load(character, text), 0);
    ASSERT_EQ(character.m_parts.size(), 1u);
    EXPECT_TRUE(character.m_parts[0].m_boneAnimations.empty());
    EXPECT_TRUE(character.m_parts[0].m_boneAnimationNames.empty());
}

TEST(LoaderMQATest, ErrorKeepsWhatWasReadBefore) {
    const std::string text = kHeader + "Material 1 {\n\t\"m\"\n}\n" +
                             ObjectChunk("a", "\tanimation \"walk\" {\n\t}\n") +
                             "Object \"b\" {\n"
                             "\tvertex 2 {\n\t\t1 2 3\n\t}\n"
                             "\tface 1 {\n"
                             "\t\t3 V(0 1 2)\n"
                             "\t\t3 X(0 1 2)\n"
                             "\t\t3 V(2 1 0)\n"
                             "\t}\n"
                             "}\n";
    CCharacter character;

    EXPECT_EQ(Load(character, text), -1);
    EXPECT_EQ(Describe(character), "material m 0.8 0.8 0.8 1 1 1 0 0 0.2 [] [] []\n"
                                   "motion walk\n"
                                   "part a 0 0\n"
                                   " animation 0\n"
                                   "part b 0 0\n"
                                   " vertex 1 2 3 -1\n"
                                   " face 0 : 0 1 2\n");
}

TEST(LoaderMQATest, ReadingAppendsToWhatTheCharacterHeld) {
    CCharacter character;
    character.m_parts.resize(1);
    character.m_parts[0].m_name = "old";
    character.m_materials.resize(1);
    character.m_animationNames = {"old motion"};

    EXPECT_EQ(Load(character, kHeader + "Material 1 {\n\t\"new\"\n}\n" +
                                  ObjectChunk("new", "\tanimation \"walk\" {\n\t}\n")),
              0);

    ASSERT_EQ(character.m_parts.size(), 2u);
    EXPECT_EQ(character.m_parts[0].m_name, "old");
    EXPECT_EQ(character.m_parts[1].m_name, "new");
    ASSERT_EQ(character.m_materials.size(), 2u);
    EXPECT_EQ(character.m_materials[1].m_name, "new");
    EXPECT_EQ(character.m_animationNames, (std::vector<std::string>{"old motion", "walk"}));
}

TEST(LoaderMQATest, CrLfAndLfFilesGiveTheSameCharacter) {
    const std::string text =
        kHeader + "Scene {\n\tpos 0 0 1\n}\n" +
        "Material 2 {\n\t\"a\" col(1 0.5 0.25 1) tex(\"t.bmp\")\n\t\"b\" dif(0.5)\n}\n" +
        ObjectChunk("body", "\tfacet 45\n"
                            "\tvertex 3 {\n\t\t0 0 0 B(0)\n\t\t1 0 0\n\t\t0 1 0\n\t}\n"
                            "\tface 1 {\n\t\t3 V(0 1 2) M(1) UV(0 0 1 0 0 1)\n\t}\n"
                            "\tanimation \"walk\" {\n" +
                                MatrixLine(3) + "\t}\n") +
        "BoneAnimation \"wave\" {\n\tbone 0 {\n" + MatrixLine(9) + "\t}\n}\nEof\n";
    CCharacter withLf;
    CCharacter withCrLf;

    ASSERT_EQ(Load(withLf, text), 0);
    ASSERT_EQ(Load(withCrLf, WithCrLf(text)), 0);

    EXPECT_EQ(Describe(withCrLf), Describe(withLf));
    EXPECT_EQ(Describe(withLf), "material a 1 0.5 0.25 1 1 1 0 0 0.2 [t.bmp] [] []\n"
                                "material b 0.8 0.8 0.8 1 0.5 1 0 0 0.2 [] [] []\n"
                                "motion walk\n"
                                "part body 45 0\n"
                                " vertex 0 0 0 0\n"
                                " vertex 1 0 0 -1\n"
                                " vertex 0 1 0 -1\n"
                                " face 1 : 0 1 2 (0 0) (1 0) (0 1)\n"
                                " animation 1\n"
                                "  3 9 18\n"
                                " bone animation wave\n"
                                "  bone 1 21\n");
}

// A model whose face chunk is large enough to be read in slices on several threads: part
// "big" with triangles whose corners count up, closed by `closing`, then part "after" with
// an animation. Face line `bad`, when there is one, is ill-formed.
struct LargeModel {
    std::string text;
    std::string facesBefore; // as Describe gives the faces before the ill-formed line
};

LargeModel MakeLargeModel(const std::string& closing, std::size_t bad = std::string::npos) {
    constexpr std::size_t faces = 120000; // about 2.5 MB of face lines
    LargeModel model;
    model.text = kHeader + "Object \"big\" {\n\tvertex 1 {\n\t\t1 2 3\n\t}\n\tface 9 {\n";
    for (std::size_t i = 0; i < faces; ++i) {
        const std::string corners =
            std::to_string(i) + ' ' + std::to_string(i + 1) + ' ' + std::to_string(i + 2);
        model.text += i == bad ? "\t\t3 X(" + corners + ")\n" : "\t\t3 V(" + corners + ")\n";
        if (i < bad) {
            model.facesBefore += " face 0 : " + corners + '\n';
        }
    }
    model.text += closing + "}\n" + ObjectChunk("after", "\tanimation \"walk\" {\n\t}\n");
    return model;
}

TEST(LoaderMQATest, LargeFaceChunksReadInSlicesGiveWhatAReadingInOrderGives) {
    const std::string big = "part big 0 0\n vertex 1 2 3 -1\n";
    const std::string after = "part after 0 0\n animation 0\n";
    const LargeModel whole = MakeLargeModel("\t}\n");
    const LargeModel quoted = MakeLargeModel("\t \"}\"\n");
    const LargeModel broken = MakeLargeModel("\t}\n", 70001);
    const struct {
        const char* what;
        std::string text;
        int code;
        std::string description; // after the part the character held
    } cases[] = {
        {"every face in file order", whole.text, 0, big + whole.facesBefore + after},
        {"a quoted closing brace", quoted.text, 0, big + quoted.facesBefore + after},
        // Nothing after the ill-formed line is kept: neither later faces nor later parts.
        {"an ill-formed line", broken.text, LoaderMQA::FormatError, big + broken.facesBefore},
        {"the end of the file inside the chunk", whole.text.substr(0, whole.text.find("\t}\n}")),
         LoaderMQA::UnexpectedEnd, big + whole.facesBefore},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.what);
        CCharacter character;
        character.m_parts.resize(1); // a part held before is kept as it was
        character.m_parts[0].m_name = "held";

        EXPECT_EQ(Load(character, test.text), test.code);

        // Compared whole; only the first difference is shown.
        const std::string expected = "part held 0 0\n" + test.description;
        const std::string actual = Describe(character);
        const auto at = static_cast<std::size_t>(
            std::mismatch(expected.begin(), expected.end(), actual.begin(), actual.end()).first -
            expected.begin());
        EXPECT_EQ(actual.size(), expected.size());
        EXPECT_EQ(actual.substr(at, 40), expected.substr(at, 40)) << "at byte " << at;
        // The slices' faces go into room made once for all of them, never grown as they come.
        if (test.code == LoaderMQA::Success) {
            const std::vector<MQAFace>& faces = character.m_parts.at(1).m_faces;
            EXPECT_EQ(faces.capacity(), faces.size());
        }
    }
}

TEST(LoaderMQATest, CodePage932NamesAreKeptAsBytes) {
    // "表" ends in a backslash byte, "ボ" in "{" and "ー" in "[".
    const std::string hyou = "\x95\x5C";
    const std::string bo = "\x83\x7B";
    const std::string bar = "\x83\x5B";
    const std::string text = kHeader + "Material 1 {\n\t\"" + hyou + bar + "\" tex(\"" + hyou +
                             "\\" + bo + ".bmp\")\n}\n" + "Object " + bo + " {\n\tanimation " +
                             hyou + " {\n\t}\n}\n";
    CCharacter character;

    EXPECT_EQ(Load(character, text), 0);
    ASSERT_EQ(character.m_materials.size(), 1u);
    EXPECT_EQ(character.m_materials[0].m_name, hyou + bar);
    EXPECT_EQ(character.m_materials[0].GetTextureFile(), hyou + "\\" + bo + ".bmp");
    ASSERT_EQ(character.m_parts.size(), 1u);
    EXPECT_EQ(character.m_parts[0].m_name, bo);
    EXPECT_EQ(character.m_animationNames, std::vector<std::string>{hyou});
}

TEST(LoaderMQATest, EveryCutOfAModelGivesACode) {
    // A file cut at every byte loads or fails with one of the codes, never reading outside
    // its text (the sanitizer build checks that).
    const std::string text =
        kHeader + "Material 1 {\n\t\"a\" col(1 0 0 1) tex(\"t\")\n}\n" +
        ObjectChunk("o", "\tvertex 1 {\n\t\t1 2 3 B(0)\n\t}\n"
                         "\tface 1 {\n\t\t4 V(0 1 2 3) M(0) UV(0 0 1 0 1 1 0 1)\n\t}\n"
                         "\tanimation a {\n" +
                             MatrixLine(1) + "\t}\n") +
        "BoneAnimation b {\n\tbone 0 {\n" + MatrixLine(1) + "\t}\n}\n";
    for (std::size_t length = 0; length <= text.size(); ++length) {
        CCharacter character;
        const std::string prefix = text.substr(0, length);
        const int code = Load(character, prefix);
        EXPECT_TRUE(code == 0 || code == -1 || code == -2 || code == -3 || code == -4)
            << "length " << length << " gave " << code;
    }
}

} // namespace
