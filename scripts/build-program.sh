#!/usr/bin/env bash
# Configures a release build (build/, or the folder given) and builds the program with its
# program folder alone: no test or benchmark comes before the first window.
set -euo pipefail
cd "$(dirname "$0")/.."
folder=${1:-build}
cmake -S . -B "$folder" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$folder" --parallel "$(nproc)" --target sorvendal
