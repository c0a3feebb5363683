#!/usr/bin/env bash
# The concurrency tests again under ThreadSanitizer.
set -euo pipefail
scripts/ensure-packages cmake ninja-build g++ pkg-config libgtest-dev libasound2-dev libcli11-dev
cmake --preset tsan >/dev/null
cmake --build --preset tsan -j "$(nproc)"
ctest --preset tsan
