#!/usr/bin/env bash
# Every test that runs more than one thread (the concurrency, audio and application-core tests)
# again under ThreadSanitizer; the renderer's ALSA capture script (label alsa) is left out. The
# Linux program's tests (label linux) are left out too: Qt's own threads are not instrumented, so
# they would report races inside Qt, and the program's threads are the render thread and engine
# lock that the audio and application-core tests already run here.
set -euo pipefail
scripts/ensure-packages cmake ninja-build g++ pkg-config libgtest-dev libasound2-dev libcli11-dev libsndfile1-dev
cmake --preset tsan >/dev/null
cmake --build --preset tsan -j "$(nproc)"
ctest --preset tsan
