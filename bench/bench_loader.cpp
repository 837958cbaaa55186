// Model text read per second, also when an object holds a great many small chunks; the
// smoothing of faces that share their vertices; and the document of a long scene written and
// read. The sizes come in pairs, so that the growth shows.

#include "GridModel.h"
#include "graphics/CDirectXGraphics.h"
#include "loader/LoaderMQA.h"
#include "media/CDirectSound.h"
#include "media/DocumentFile.h"
#include "scene/CCharacter.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

void BM_ReadModelText(benchmark::State& state) {
    const std::string text = MakeGridModelText(1, 448); // 200,704 faces
    for (auto _ : state) {
        CCharacter character;
        const int result = LoaderMQA(&character, text).Load();
        if (result != LoaderMQA::Success || character.m_parts[0].m_faces.size() < 200000) {
            state.SkipWithError("the model did not read");
        }
        benchmark::DoNotOptimize(character.m_parts.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}
// The reader runs on every core: the time on the clock is what the user waits.
BENCHMARK(BM_ReadModelText)->UseRealTime()->Unit(benchmark::kMillisecond);

const std::string kHeader = "Metasequoia Document\nFormat Text Ver 1.0\n";

// An object of one-line chunks: vertex chunks, or face chunks after three vertices.
std::string ChunkedModelText(int chunks, bool faces) {
    std::string text = kHeader + "Object \"chunks\" {\n";
    if (faces) {
        text += "\tvertex 3 {\n\t\t0 0 0\n\t\t1 0 0\n\t\t0 1 0\n\t}\n";
    }
    for (int i = 0; i < chunks; ++i) {
        text += faces ? "\tface 1 {\n\t\t3 V(0 1 2)\n\t}\n" : "\tvertex 1 {\n\t\t0 0 0\n\t}\n";
    }
    return text + "}\n";
}

void BM_ReadManyChunks(benchmark::State& state) {
    const auto chunks = static_cast<std::size_t>(state.range(0));
    const bool faces = state.range(1) != 0;
    const std::string text = ChunkedModelText(static_cast<int>(chunks), faces);
    for (auto _ : state) {
        CCharacter character;
        const int result = LoaderMQA(&character, text).Load();
        const MQAObject& part = character.m_parts.at(0);
        const std::size_t read = faces ? part.m_faces.size() : part.m_vertices.size();
        if (result != LoaderMQA::Success || read != chunks) {
            state.SkipWithError("the model did not read");
        }
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_ReadManyChunks)
    ->ArgNames({"chunks", "faces"})
    ->ArgsProduct({{100000, 200000}, {0, 1}})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// Triangles that all lie on the same three vertices, with a facet of 0 or 59.5 degrees.
void BM_SmoothSharedVertices(benchmark::State& state) {
    MQAObject part;
    part.AddVertex(0, 0, 0, -1);
    part.AddVertex(1, 0, 0, -1);
    part.AddVertex(0, 1, 0, -1);
    MQAFace triangle;
    triangle.indices = {0, 1, 2};
    part.m_faces.assign(static_cast<std::size_t>(state.range(0)), triangle);
    part.m_fFacet = state.range(1) != 0 ? 59.5f : 0.0f;
    for (auto _ : state) {
        part.CalcSmoothing();
        benchmark::DoNotOptimize(part.m_faces.data());
    }
}
BENCHMARK(BM_SmoothSharedVertices)
    ->ArgNames({"faces", "facet"})
    ->ArgsProduct({{20000, 40000}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

// The dearest 1 MB for the full rule of smoothing: quads in groups that share four vertices,
// each vertex with as many corners around it as the rule takes, all smoothed together.
void BM_SmoothFullRuleAtItsBound(benchmark::State& state) {
    constexpr std::size_t fileBytes = 1000000;
    const std::size_t quadsPerGroup = MQAObject::MostCornersSmoothedInFull;
    std::string faces;
    int count = 0;
    for (; faces.size() < fileBytes; ++count) {
        const int v = count / static_cast<int>(quadsPerGroup) * 4;
        faces += "4 V(" + std::to_string(v) + ' ' + std::to_string(v + 1) + ' ' +
                 std::to_string(v + 2) + ' ' + std::to_string(v + 3) + ")\n";
    }
    std::string vertices;
    const int groups = count / static_cast<int>(quadsPerGroup) + 1;
    for (int g = 0; g < groups; ++g) {
        vertices += "0 0 0\n1 0 0\n1 1 0\n0 1 0\n";
    }
    const std::string text = kHeader + "Object \"groups\" {\n\tfacet 59.5\n\tvertex " +
                             std::to_string(4 * groups) + " {\n" + vertices + "\t}\n\tface " +
                             std::to_string(count) + " {\n" + faces + "\t}\n}\n";
    CCharacter character;
    if (LoaderMQA(&character, text).Load() != LoaderMQA::Success) {
        state.SkipWithError("the model did not read");
        return;
    }
    MQAObject& part = character.m_parts.at(0);
    for (auto _ : state) {
        part.CalcSmoothing();
        benchmark::DoNotOptimize(part.m_faces.data());
    }
    state.counters["faces"] = static_cast<double>(part.m_faces.size());
    state.counters["file_MB"] = static_cast<double>(text.size()) / 1e6;
}
BENCHMARK(BM_SmoothFullRuleAtItsBound)->Unit(benchmark::kMillisecond);

// 20 characters of 10,000 key records each, with motion names, and as many camera records.
void FillLongScene(CDirectXGraphics& graphics) {
    graphics.SetDefaults();
    constexpr int frames = 10000;
    graphics.m_characters.resize(20);
    for (std::size_t c = 0; c < graphics.m_characters.size(); ++c) {
        CCharacter& character = graphics.m_characters[c];
        character.m_strFileName = "mqa\\character" + std::to_string(c) + ".mqa";
        character.m_keys.resize(frames);
        for (int f = 0; f < frames; f += 30) {
            character.SetKeyMotionName(f, "walk");
            character.m_keys[static_cast<std::size_t>(f)].m_position =
                D3DXVECTOR3(static_cast<float>(f), 0.0f, static_cast<float>(c));
        }
        character.InterpolateKeys();
    }
    graphics.SetCameraFrameState(frames - 1, FrameKey);
    graphics.SetSubtitleFrameState(frames - 1, FrameKey);
}

// A name of its own, so that two runs at once do not write one file.
std::string DocumentPath() {
    return (std::filesystem::temp_directory_path() /
            ("sorvendal_bench_" + std::to_string(getpid()) + ".qka"))
        .string();
}

void BM_WriteDocument(benchmark::State& state) {
    CDirectXGraphics graphics;
    CDirectSound sound;
    FillLongScene(graphics);
    const std::string path = DocumentPath();
    for (auto _ : state) {
        if (!DocumentFile::Save(path, sound, graphics).empty()) {
            state.SkipWithError("the document was not written");
        }
    }
    std::filesystem::remove(path);
}
BENCHMARK(BM_WriteDocument)->Unit(benchmark::kMillisecond);

void BM_ReadDocument(benchmark::State& state) {
    const std::string path = DocumentPath();
    {
        CDirectXGraphics graphics;
        CDirectSound sound;
        FillLongScene(graphics);
        DocumentFile::Save(path, sound, graphics);
    }
    for (auto _ : state) {
        CDirectXGraphics graphics;
        CDirectSound sound;
        if (!DocumentFile::Load(path, sound, graphics).empty()) {
            state.SkipWithError("the document was not read");
        }
        benchmark::DoNotOptimize(graphics.m_characters.data());
    }
    std::filesystem::remove(path);
}
BENCHMARK(BM_ReadDocument)->Unit(benchmark::kMillisecond);

} // namespace
