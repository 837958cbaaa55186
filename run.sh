#!/usr/bin/env bash
# Installs what is missing, builds the program in build/ and starts it.
set -euo pipefail
cd "$(dirname "$0")"

./scripts/install-deps.sh
./scripts/build-program.sh build

# The program folder (samples, textures, sounds) sits beside the program in build/bin/.
exec build/bin/sorvendal "$@"
