// Key interpolation runs for every character whenever playback or recording starts.

#include "scene/CCharacter.h"

#include <benchmark/benchmark.h>

namespace {

// A character of `frames` records: a key every 30 frames, a looping motion started at the
// first key and a second motion halfway.
CCharacter MakeCharacter(int frames) {
    CCharacter character;
    character.m_parts.resize(1);
    character.m_animationNames = {"walk", "run"};
    character.m_parts[0].m_animations.assign(2, std::vector<D3DXMATRIX>(40));
    for (int frame = 0; frame < frames; frame += 30) {
        character.SetFrameState(frame, FrameKey);
        character.m_keys[static_cast<std::size_t>(frame)].m_position =
            D3DXVECTOR3(static_cast<float>(frame), 0.0f, 0.0f);
    }
    character.SetFrameState(frames - 1, FrameInBetween);
    character.SetKeyMotionName(0, "walk");
    character.SetKeyLoop(0, true);
    character.SetKeyMotionName(frames / 2, "run");
    return character;
}

void BM_InterpolateKeys(benchmark::State& state) {
    CCharacter character = MakeCharacter(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        character.InterpolateKeys();
        benchmark::DoNotOptimize(character.m_keys.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_InterpolateKeys)->Arg(900)->Arg(10000);

} // namespace
