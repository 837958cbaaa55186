#!/usr/bin/env bash
# Installs what is missing, builds in build/ and starts the program.
set -euo pipefail
cd "$(dirname "$0")"

./scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build --parallel "$(nproc)"

# The program folder (samples, textures, sounds) sits beside the program in build/bin/.
exec build/bin/sorvendal "$@"
