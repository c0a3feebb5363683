#!/usr/bin/env bash
# The Linux tree: build everything and run all its tests.
set -euo pipefail
scripts/ensure-packages cmake ninja-build g++ pkg-config libgtest-dev libasound2-dev libcli11-dev libsndfile1-dev \
  qt6-base-dev
cmake --preset native >/dev/null
cmake --build --preset native -j "$(nproc)"
ctest --preset native -j "$(nproc)"
