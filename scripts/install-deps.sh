#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing need.
# Only missing packages are installed, and nothing is asked of the user.
set -euo pipefail

packages=(
  # build and run
  cmake ninja-build pkg-config g++ qt6-base-dev libqt6opengl6-dev libgl-dev libegl-dev libgl1-mesa-dri
  libegl-mesa0 libglx-mesa0 libavformat-dev libavcodec-dev libswresample-dev
  libswscale-dev libavutil-dev libsdl2-dev libstb-dev libx11-dev fonts-ipafont-gothic
  qt6-translations-l10n
  # tests, benchmarks, fuzzers and sanitizers
  xvfb xauth openbox ffmpeg libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-14-dev
  clang-format desktop-file-utils libxml2-utils shared-mime-info
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done

if [ "${#missing[@]}" -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -q
"${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
