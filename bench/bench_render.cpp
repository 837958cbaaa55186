// Milliseconds per frame at 1024 x 768 on the OpenGL device, headless.

#include "graphics/CDirectXGraphics.h"
#include "platform/IDirect3DDevice9.h"
#include "platform/Mbcs.h"
#include "platform/ProgramFolder.h"
#include "platform/opengl/CEglWindow.h"
#include "platform/opengl/COpenGLDirect3D.h"
#include "scene/SceneGlobals.h"

#include <QGuiApplication>
#include <benchmark/benchmark.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int Width = 1024;
constexpr int Height = 768;

std::string Cp932(const std::string& utf8) {
    return Mbcs::FromUtf8(utf8).value();
}

// A skinned tube of rings x sides quads, each ring following one of four bones, with a
// looping bone animation of 30 frames.
std::string SkinnedModelText(int rings, int sides) {
    std::string text = "Metasequoia Document\nFormat Text Ver 1.0\nMaterial 1 {\n"
                       "\t\"skin\" col(0.9 0.6 0.4 1.0) dif(0.8) amb(0.6)\n}\nObject \"body\" {\n"
                       "\tfacet 60\n\tvertex " +
                       std::to_string((rings + 1) * sides) + " {\n";
    char line[256];
    for (int r = 0; r <= rings; ++r) {
        for (int s = 0; s < sides; ++s) {
            const double angle = 6.283185307 * s / sides;
            std::snprintf(line, sizeof line, "\t\t%.4f %.4f %.4f B(%d)\n", 40 * std::cos(angle),
                          r * 200.0 / rings, 40 * std::sin(angle), r * 4 / (rings + 1));
            text += line;
        }
    }
    text += "\t}\n\tface " + std::to_string(rings * sides) + " {\n";
    for (int r = 0; r < rings; ++r) {
        for (int s = 0; s < sides; ++s) {
            const int a = r * sides + s;
            const int b = r * sides + (s + 1) % sides;
            std::snprintf(line, sizeof line, "\t\t4 V(%d %d %d %d) M(0)\n", a, a + sides, b + sides,
                          b);
            text += line;
        }
    }
    text += "\t}\n}\nBoneAnimation \"sway\" {\n";
    for (int bone = 0; bone < 4; ++bone) {
        text += "\tbone {\n";
        for (int f = 0; f < 30; ++f) {
            std::snprintf(line, sizeof line, "\t\t1 0 0 0 0 1 0 0 0 0 1 0 %.3f 0 0 1\n",
                          10.0 * bone * std::sin(f * 0.2));
            text += line;
        }
        text += "\t}\n";
    }
    return text + "}\n";
}

class RenderFixture {
public:
    RenderFixture() : m_graphics(std::make_unique<CDirectXGraphics>(&m_window)) {
        m_graphics->m_nRunMode = RunPlay;
        g_nCurrentFrame = 0;
    }

    bool Import(const std::string& path) {
        if (!m_graphics->ImportCharacter(path)) {
            return false;
        }
        CCharacter* character = m_graphics->GetCharacter(0);
        character->SetFrameState(0, FrameKey);
        character->SetFrameState(59, FrameKey);
        return true;
    }

    CDirectXGraphics& Graphics() { return *m_graphics; }

private:
    CEglWindow m_window{Width, Height};
    std::unique_ptr<CDirectXGraphics> m_graphics;
};

// Each frame is waited for: reading a pixel back finishes the rendering that the driver may
// still have queued.
void RenderFrames(benchmark::State& state, RenderFixture& fixture) {
    int frame = 0;
    std::vector<std::uint8_t> pixel;
    for (auto _ : state) {
        g_nCurrentFrame = frame++ % 60;
        fixture.Graphics().Render(nullptr);
        fixture.Graphics().GetDevice()->ReadBackBuffer(1, 1, pixel);
    }
}

void BM_RenderSampleScene(benchmark::State& state) {
    RenderFixture fixture;
    const std::string folder = Cp932(GetProgramFolder());
    if (!fixture.Import(folder + "MQO\\Shop.mqo") ||
        !fixture.Import(folder + "MQA\\SharpHair.mqa")) {
        state.SkipWithError("the sample characters did not load");
        return;
    }
    CCharacter* sharpHair = fixture.Graphics().GetCharacter(0);
    sharpHair->SetKeyMotionName(0, Cp932("歩く"));
    sharpHair->SetKeyLoop(0, true);
    sharpHair->InterpolateKeys();
    fixture.Graphics().SetSubtitle(Cp932("いらっしゃいませ"), 0);
    fixture.Graphics().FillSubtitles();
    RenderFrames(state, fixture);
}
BENCHMARK(BM_RenderSampleScene)->Unit(benchmark::kMillisecond);

void BM_RenderTenSkinned(benchmark::State& state) {
    // A name of this process's own, so that runs side by side do not share the file.
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() /
        ("sorvendal_bench_skinned-" + std::to_string(::getpid()) + ".mqo");
    std::ofstream(path) << SkinnedModelText(100, 100); // 10,000 faces
    RenderFixture fixture;
    for (int i = 0; i < 10; ++i) {
        if (!fixture.Import(Cp932(path.string()))) {
            state.SkipWithError("the skinned model did not load");
            return;
        }
        CCharacter* character = fixture.Graphics().GetCharacter(0);
        character->m_keys[0].m_position = D3DXVECTOR3(100.0f * (i - 5), 0.0f, 0.0f);
        character->SetKeyMotionName(0, "sway");
        character->SetKeyLoop(0, true);
        character->InterpolateKeys();
    }
    std::filesystem::remove(path);
    RenderFrames(state, fixture);
}
BENCHMARK(BM_RenderTenSkinned)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv); // fonts need it
    std::setlocale(LC_NUMERIC, "C");
    RegisterOpenGLDirect3D();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
