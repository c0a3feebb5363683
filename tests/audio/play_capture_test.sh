#!/usr/bin/env bash
# Plays a song with `chimora-render --play` through ALSA's "default" device, which a private ALSA
# configuration turns into a file capture, and checks that the captured bytes are exactly what
# `chimora-render -o -` writes for the same song, apart from whole blocks of silence at either
# end (the block before the first mix, and what streams while the player notices the end).
#
# Usage: play_capture_test.sh RENDERER SONG
set -euo pipefail
renderer=$1
song=$2
block_bytes=6000

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Self-contained on purpose: the stock alsa.conf would load ~/.asoundrc and the system's
# configuration after this file, and a desktop's own "default" would win.
cat >"$work/asound.conf" <<EOF
pcm.!default {
    type file
    slave { pcm { type null } }
    file "$work/captured.raw"
    format "raw"
}
EOF

ALSA_CONFIG_PATH="$work/asound.conf" "$renderer" "$song" --play
"$renderer" "$song" -o - >"$work/rendered.raw"

size_of() { stat -c %s "$1"; }

# Number of whole zero blocks at the start of the file.
leading_silent_blocks() {
    local file=$1 size blocks=0
    size=$(size_of "$file")
    while [ $(((blocks + 1) * block_bytes)) -le "$size" ] &&
        cmp -s -n "$block_bytes" -i "$((blocks * block_bytes)):0" "$file" /dev/zero; do
        blocks=$((blocks + 1))
    done
    echo "$blocks"
}

captured_size=$(size_of "$work/captured.raw")
rendered_size=$(size_of "$work/rendered.raw")
captured_start=$(($(leading_silent_blocks "$work/captured.raw") * block_bytes))
rendered_start=$(($(leading_silent_blocks "$work/rendered.raw") * block_bytes))
song_bytes=$((rendered_size - rendered_start))
tail_bytes=$((captured_size - captured_start - song_bytes))

if [ "$song_bytes" -le 0 ]; then
    echo "the rendered song is silent: nothing to compare" >&2
    exit 1
fi
if [ "$tail_bytes" -lt 0 ]; then
    echo "the capture ($captured_size bytes) is shorter than the song ($song_bytes bytes after $captured_start silent)" >&2
    exit 1
fi
cmp -n "$song_bytes" -i "$captured_start:$rendered_start" "$work/captured.raw" "$work/rendered.raw"
if ! cmp -s -n "$tail_bytes" -i "$((captured_start + song_bytes)):0" "$work/captured.raw" /dev/zero; then
    echo "the capture goes on with sound after the song's end" >&2
    exit 1
fi
echo "captured $captured_size bytes: $song_bytes of song after $captured_start of silence, then $tail_bytes of silence"
