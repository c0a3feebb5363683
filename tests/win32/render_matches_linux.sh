#!/usr/bin/env bash
# Usage: render_matches_linux.sh WINE_RUN WINDOWS_RENDERER LINUX_RENDERER WORK_DIR SONG...
# chimora-render.exe under Wine writes the same bytes as the Linux chimora-render: the engine is
# bit-exact on both platforms. Covers WAV files at several gains, raw samples on standard output
# (which Windows would otherwise write as text), lengths that end inside a block, the three
# chimes, and the refusal of .flac in a build without libsndfile.
set -euo pipefail
run=$1 windows=$2 linux=$3 work=$4
shift 4
if [ ! -x "$linux" ]; then
  echo "the Linux renderer $linux is missing: build chimora-render of the native preset first"
  exit 1
fi
rm -rf "$work"
mkdir -p "$work"
cp "$@" "$work/"
cd "$work"

failures=0
# compare NAME ARGUMENTS...: renders with both, into NAME.linux.wav and NAME.windows.wav.
compare() {
  local name=$1
  shift
  "$linux" "$@" -o "$name.linux.wav"
  "$run" "$windows" "$@" -o "$name.windows.wav"
  if cmp "$name.linux.wav" "$name.windows.wav"; then
    echo "same: $name ($(stat -c %s "$name.linux.wav") bytes)"
  else
    failures=$((failures + 1))
  fi
}

gains=(1.41 0.705 2.7)
index=0
for song in "$@"; do
  name=$(basename "$song" .mml)
  compare "$name" "$name.mml"
  compare "$name-gain-${gains[index % 3]}" "$name.mml" --gain "${gains[index % 3]}"
  index=$((index + 1))
  "$linux" "$name.mml" --seconds 3.01 -o - >"$name.linux.raw"
  "$run" "$windows" "$name.mml" --seconds 3.01 -o - >"$name.windows.raw"
  if cmp "$name.linux.raw" "$name.windows.raw"; then
    echo "same: $name on standard output"
  else
    failures=$((failures + 1))
  fi
done
for chime in quarter half hour; do
  compare "chime-$chime" --chime "$chime"
done

# This build has no libsndfile: .flac is refused with the formats it does write.
set +e
message=$("$run" "$windows" --chime quarter -o quarter.flac 2>&1 >/dev/null)
status=$?
set -e
if [ "$status" -eq 2 ] && [[ "$message" == *"built without libsndfile; its output formats are .wav, and raw"* ]] &&
  [ ! -e quarter.flac ]; then
  echo "refused: .flac ($message)"
else
  echo "chimora-render.exe -o quarter.flac: exit $status, $message"
  failures=$((failures + 1))
fi

# Writing over an existing file replaces it, as on Linux.
first=$(basename "$1" .mml)
"$run" "$windows" --chime quarter -o "$first.windows.wav"
if cmp -s "$first.linux.wav" "$first.windows.wav"; then
  echo "chimora-render.exe did not replace an existing WAV file"
  failures=$((failures + 1))
fi
cmp "chime-quarter.linux.wav" "$first.windows.wav" || failures=$((failures + 1))

if [ "$failures" -ne 0 ]; then
  echo "$failures renders differ"
  exit 1
fi
