#!/usr/bin/env bash
# The Windows tree, cross-built with MinGW-w64: both programs and the tests, which run under
# Wine on a private X display (scripts/wine-session).
set -euo pipefail
scripts/ensure-packages cmake ninja-build g++-mingw-w64-x86-64-posix googletest libcli11-dev \
  locales wine wine64 fonts-wine fonts-noto-cjk xvfb xauth openbox xdotool x11-utils imagemagick
cmake --preset mingw >/dev/null
cmake --build --preset mingw -j "$(nproc)"
scripts/wine-session build/mingw ctest --preset mingw -j "$(nproc)"
