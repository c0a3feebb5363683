#!/usr/bin/env bash
# The render thread in real time against a paced test device, for REALTIME_SECONDS (default 180)
# with the busy eight-channel song: no block may be late. Uses the tree stage 10 built.
set -euo pipefail
scripts/ensure-packages cmake ninja-build g++ pkg-config libgtest-dev libasound2-dev
cmake --preset native >/dev/null
cmake --build --preset native --target realtime_run -j "$(nproc)"
build/native/tests/audio/realtime_run bench/busy_song.mml "${REALTIME_SECONDS:-180}"
