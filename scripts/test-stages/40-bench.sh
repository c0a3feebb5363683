#!/usr/bin/env bash
# The speed benchmarks: only built here, so that they keep compiling; scripts/bench runs them.
set -euo pipefail
scripts/ensure-packages cmake ninja-build g++ pkg-config libgtest-dev libasound2-dev libcli11-dev libsndfile1-dev \
  libbenchmark-dev
cmake --preset native >/dev/null
cmake --build --preset native -j "$(nproc)" --target engine_bench
