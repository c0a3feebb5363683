#!/usr/bin/env bash
# The Windows tree, cross-built with MinGW-w64: both programs and the tests, which run under
# Wine on a private X display (scripts/wine-session). chimora-render.exe is compared with the
# Linux renderer, so that one is built too (at no cost after the native stage).
set -euo pipefail
scripts/ensure-packages cmake ninja-build g++ pkg-config libgtest-dev libasound2-dev libcli11-dev libsndfile1-dev \
  g++-mingw-w64-x86-64-posix googletest locales wine wine64 fonts-wine fonts-noto-cjk \
  xvfb xauth openbox xdotool x11-utils imagemagick
cmake --preset native >/dev/null
cmake --build --preset native --target chimora-render -j "$(nproc)"
cmake --preset mingw >/dev/null
cmake --build --preset mingw -j "$(nproc)"
scripts/wine-session build/mingw ctest --preset mingw -j "$(nproc)"
