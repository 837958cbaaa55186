#!/usr/bin/env bash
# Installs what is missing, builds everything in build/ and runs every test headless; the
# headless tests run a second time under AddressSanitizer and UndefinedBehaviorSanitizer in
# build-asan/, and the fuzzers run for 30 seconds each in build-fuzz/. Ends with ctest's
# summary of the full run.
set -euo pipefail
cd "$(dirname "$0")"

./scripts/install-deps.sh

jobs=$(nproc)
XDG_RUNTIME_DIR=$(mktemp -d)
export XDG_RUNTIME_DIR
trap 'rm -rf "$XDG_RUNTIME_DIR"' EXIT

without_test_data() {
    if [ -d ../shared ] && unshare -m true 2>/dev/null; then
        unshare -m sh -c 'mount -t tmpfs -o ro tmpfs ../shared && exec "$@"' sh "$@"
    else
        "$@"
    fi
}

echo "== Sanitizer build (build-asan/)"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DSORVENDAL_SANITIZE=ON \
    -DSORVENDAL_BENCHMARKS=OFF
cmake --build build-asan --parallel "$jobs"
# Mesa's rasteriser threads can trip LeakSanitizer's own stop-the-world at exit under heavy
# load; one rasteriser thread avoids it, and a crash of the tracer (never a finding, which
# repeats) gets a second run.
# This run sees the repository as a plain clone does, with no test data beside it: where that
# folder is present it is covered by an empty one; the full run below reads it.
LP_NUM_THREADS=0 \
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    without_test_data ctest --test-dir build-asan --output-on-failure --parallel "$jobs" --repeat until-pass:2

echo "== Fuzzing (build-fuzz/)"
CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DSORVENDAL_FUZZ=ON -DSORVENDAL_TESTS=OFF -DSORVENDAL_BENCHMARKS=OFF
cmake --build build-fuzz --parallel "$jobs"
corpus=$(mktemp -d)
mkdir -p "$corpus/model" "$corpus/document" "$corpus/wave"
build-fuzz/bin/write_document_seeds "$corpus/document"
# Model shapes whose cost once grew with their square: an object of many one-line chunks, and
# many faces on the same three vertices with a facet angle.
model_header='Metasequoia Document\nFormat Text Ver 1.0\nObject "seed" {\n\tfacet 59.5\n'
{
    printf "$model_header"
    for i in $(seq 150); do
        printf '\tvertex 1 {\n\t\t%d 0 0\n\t}\n\tface 1 {\n\t\t3 V(0 1 %d)\n\t}\n' "$i" "$i"
    done
    printf '}\n'
} > "$corpus/model/many_chunks.mqo"
{
    printf "$model_header"'\tvertex 3 {\n\t\t0 0 0\n\t\t1 0 0\n\t\t0 1 0\n\t}\n\tface 600 {\n'
    for _ in $(seq 600); do printf '\t\t3 V(0 1 2)\n'; done
    printf '\t}\n}\n'
} > "$corpus/model/shared_vertices.mqo"
model_seeds=(data/MQO data/MQA)
[ -d ../shared/testdata/mqo ] && model_seeds+=(../shared/testdata/mqo/*/)
fuzz_options=(-max_total_time=30 -timeout=10 -rss_limit_mb=2048 -artifact_prefix=build-fuzz/)
build-fuzz/bin/fuzz_model_reader "${fuzz_options[@]}" "$corpus/model" "${model_seeds[@]}" \
    > build-fuzz/fuzz_model_reader.log 2>&1 &
model_fuzzer=$!
build-fuzz/bin/fuzz_document_reader "${fuzz_options[@]}" "$corpus/document" \
    > build-fuzz/fuzz_document_reader.log 2>&1 &
document_fuzzer=$!
build-fuzz/bin/fuzz_wave_reader "${fuzz_options[@]}" "$corpus/wave" data/WAV \
    > build-fuzz/fuzz_wave_reader.log 2>&1 &
wave_fuzzer=$!
fuzz_failed=0
for fuzzer in "$model_fuzzer:fuzz_model_reader" "$document_fuzzer:fuzz_document_reader" \
    "$wave_fuzzer:fuzz_wave_reader"; do
    if wait "${fuzzer%%:*}"; then
        echo "${fuzzer#*:}: $(grep -E '^Done [0-9]+ runs' "build-fuzz/${fuzzer#*:}.log")"
    else
        echo "${fuzzer#*:} found a fault:"
        tail -n 60 "build-fuzz/${fuzzer#*:}.log"
        fuzz_failed=1
    fi
done
rm -rf "$corpus"
[ "$fuzz_failed" -eq 0 ]

echo "== Build (build/)"
# The program builds first, as ./run.sh builds it; in a new build folder nothing else may
# land beside it before the rest is built.
new_build=1
[ -d build/bin ] && new_build=0
./scripts/build-program.sh build
if [ "$new_build" -eq 1 ]; then
    others=$(find build/bin -maxdepth 1 -type f -executable ! -name sorvendal)
    if [ -n "$others" ]; then
        echo "./run.sh builds more than the program:" $others
        exit 1
    fi
fi
cmake --build build --parallel "$jobs"
ctest --test-dir build --output-on-failure --parallel "$jobs"
