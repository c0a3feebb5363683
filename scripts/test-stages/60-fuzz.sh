#!/usr/bin/env bash
# The fuzz targets in tests/fuzz/, built once with clang's libFuzzer under AddressSanitizer and
# UndefinedBehaviorSanitizer, each run for a bounded time (FUZZ_SECONDS, default 60) from seeds
# made of the repository's song files and INI samples. A crash leaves its input in
# build/fuzz/findings/<target>/; copy it into tests/fuzz/regressions/<target>/ once fixed, where
# the normal tests replay it.
set -euo pipefail
scripts/ensure-packages cmake ninja-build clang libclang-rt-14-dev
seconds=${FUZZ_SECONDS:-60}
build=build/fuzz
CXX=clang++ cmake -S tests/fuzz/libfuzzer -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  >/dev/null
cmake --build "$build" -j "$(nproc)"

# Seeds: the song files as songs and as channel texts, their compiled streams as event
# buffers, the INI samples, and every input that ever broke a target.
corpus=$build/corpus
rm -rf "$corpus"
mkdir -p "$corpus"/{compile_channel,song,event_buffers,ini}
mapfile -t songs < <(find songs jihomml tests bench -name '*.mml' 2>/dev/null | sort)
for song in "${songs[@]}"; do
  name=$(echo "$song" | tr '/' '_')
  cp "$song" "$corpus/song/$name"
  cp "$song" "$corpus/compile_channel/$name"
done
"$build/event_seed_maker" "$corpus/event_buffers" "${songs[@]}"
cp tests/fuzz/seeds/ini/* "$corpus/ini/"
for target in compile_channel song event_buffers ini; do
  cp tests/fuzz/regressions/$target/* "$corpus/$target/" 2>/dev/null || true
done

for target in compile_channel song event_buffers ini; do
  findings=$build/findings/$target
  mkdir -p "$findings"
  echo "-- fuzz_$target for $seconds s"
  # -timeout: one input taking over 10 s is a hang; -rss_limit_mb bounds memory growth.
  "$build/fuzz_$target" "$corpus/$target" -max_total_time="$seconds" -timeout=10 \
    -rss_limit_mb=2048 -max_len=20000 -print_final_stats=1 -artifact_prefix="$findings/" \
    2>"$build/$target.log" || { tail -n 60 "$build/$target.log"; exit 1; }
  grep -E '^stat::number_of_executed_units|^stat::peak_rss_mb' "$build/$target.log"
done
