// Model text read per second, and the document of a long scene written and read.

#include "GridModel.h"
#include "graphics/CDirectXGraphics.h"
#include "loader/LoaderMQA.h"
#include "media/CDirectSound.h"
#include "media/DocumentFile.h"
#include "scene/CCharacter.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

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
