#!/usr/bin/env bash
# The whole Linux suite again under AddressSanitizer and UndefinedBehaviorSanitizer (the asan
# preset): out-of-bounds reads and writes, use after free, leaks, signed overflow, bad shifts
# and casts. Every report ends the test that made it with a failure. Built at -O1, which keeps
# the build short and the reports' stacks whole.
set -euo pipefail
scripts/ensure-packages cmake ninja-build g++ pkg-config libgtest-dev libasound2-dev libcli11-dev \
  libsndfile1-dev qt6-base-dev
cmake --preset asan >/dev/null
cmake --build --preset asan -j "$(nproc)"
ctest --preset asan -j "$(nproc)"
