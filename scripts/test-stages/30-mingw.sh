#!/usr/bin/env bash
# The Windows tree, cross-built with MinGW-w64.
set -euo pipefail
scripts/ensure-packages cmake ninja-build g++-mingw-w64-x86-64-posix
cmake --preset mingw >/dev/null
cmake --build --preset mingw -j "$(nproc)"
