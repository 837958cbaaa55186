// Model text read per second, and the document of a long scene written and read.

#include "graphics/CDirectXGraphics.h"
#include "loader/LoaderMQA.h"
#include "media/CDirectSound.h"
#include "media/DocumentFile.h"
#include "scene/CCharacter.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace {

// A model of one part with a grid of quads, written as Metasequoia writes it: at least
// 200,000 faces with material and texture-coordinate groups.
std::string MakeModelText(int quadsPerSide) {
    std::string text = "Metasequoia Document\r\nFormat Text Ver 1.0\r\n\r\n"
                       "Material 1 {\r\n\t\"mat\" shader(3) col(1.000 1.000 1.000 1.000) "
                       "dif(0.800) amb(0.600) emi(0.000) spc(0.000) power(5.00)\r\n}\r\n"
                       "Object \"grid\" {\r\n\tfacet 59.5\r\n";
    const int side = quadsPerSide + 1;
    char line[256];
    text += "\tvertex " + std::to_string(side * side) + " {\r\n";
    for (int row = 0; row < side; ++row) {
        for (int column = 0; column < side; ++column) {
            std::snprintf(line, sizeof line, "\t\t%.4f %.4f %.4f\r\n", column * 1.25 - 300.0,
                          (row * column % 17) * 0.3125, row * -1.25 + 300.0);
            text += line;
        }
    }
    text += "\t}\r\n\tface " + std::to_string(quadsPerSide * quadsPerSide) + " {\r\n";
    for (int row = 0; row < quadsPerSide; ++row) {
        for (int column = 0; column < quadsPerSide; ++column) {
            const int v = row * side + column;
            const float u0 = static_cast<float>(column) / quadsPerSide;
            const float v0 = static_cast<float>(row) / quadsPerSide;
            const float step = 1.0f / quadsPerSide;
            std::snprintf(
                line, sizeof line,
                "\t\t4 V(%d %d %d %d) M(0) UV(%.5f %.5f %.5f %.5f %.5f %.5f %.5f %.5f)\r\n", v,
                v + side, v + side + 1, v + 1, u0, v0, u0, v0 + step, u0 + step, v0 + step,
                u0 + step, v0);
            text += line;
        }
    }
    text += "\t}\r\n}\r\nEof\r\n";
    return text;
}

void BM_ReadModelText(benchmark::State& state) {
    const std::string text = MakeModelText(448); // 200,704 faces
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
BENCHMARK(BM_ReadModelText)->Unit(benchmark::kMillisecond);

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

std::string DocumentPath() {
    return (std::filesystem::temp_directory_path() / "sorvendal_bench.qka").string();
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
