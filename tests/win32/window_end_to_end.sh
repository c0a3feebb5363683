#!/usr/bin/env bash
# Usage: window_end_to_end.sh WINE_RUN CHIMORA_EXE PROBE_EXE RENDER_EXE SONG WORK_DIR
# chimora.exe as a user meets it, on the X display of scripts/wine-session (Xvfb, openbox),
# under code page 932: the window and its menu, Alt+/ and Alt+? for the about box, switches and
# volume steps written to switch.ini and shown as check marks, a song's samples reaching the
# sound device (ALSA's file plugin as Wine's device), the re-acquire notices with and without
# a device, and exit code 0. Screenshots of the open menu and the about box go to
# WORK_DIR/screenshots.
set -euo pipefail
run=$1 chimora=$2 probe_exe=$3 render=$4 song=$5 work=$6
if [ -z "${DISPLAY:-}" ]; then
  echo "no X display: run the Windows tests through scripts/wine-session"
  exit 1
fi

ABOUT_CAPTION='ﾊﾞｰｼﾞｮﾝ情報'
NOTICE='注意'
SWITCH_IDS=(32773 32771 32772 32779) # melody, hour, half, quarter
VOLUME_IDS=(32774 32775 32776 32777) # +3, 0, -3, -6 dB

rm -rf "$work"
mkdir -p "$work/folder/jihomml" "$work/screenshots"
cp "$song" "$work/folder/jihomml/listen.mml"
settings="$work/folder/switch.ini"
capture="$work/capture.raw"
printf '</usr/share/alsa/alsa.conf>\npcm.!default { type file; slave.pcm "null"; file "%s"; format "raw" }\n' \
  "$capture" >"$work/capture.conf"
: >"$work/no-device.conf" # defines no device at all

program=
# A failed check must not leave the program running (and writing the capture file).
trap '[ -z "$program" ] || kill "$program" 2>/dev/null || true' EXIT

probe() { "$run" "$probe_exe" "$@"; }
fail() {
  echo "FAILED: $*"
  exit 1
}
expect_marks() { # expect_marks "ID=0/1 ..."
  local shown
  shown=$(probe marks "${SWITCH_IDS[@]}" "${VOLUME_IDS[@]}" | tr -d '\r')
  [ "$shown" = "$1" ] || fail "check marks are '$shown', expected '$1'"
}
expect_setting() { # expect_setting SECTION KEY VALUE
  tr -d '\r' <"$settings" | awk -v section="[$1]" -v line="$2=$3" \
    '$0 == section { inside = 1; next } /^\[/ { inside = 0 } inside && $0 == line { found = 1 }
     END { exit !found }' || fail "switch.ini has no $2=$3 in [$1]: $(tr -d '\r' <"$settings")"
}
screenshot() { import -window root -crop 420x240+0+0 +repage "$work/screenshots/$1"; }
start_program() { # start_program ALSA_CONFIG
  (cd "$work/folder" && ALSA_CONFIG_PATH=$1 exec "$run" "$chimora") >>"$work/program.log" 2>&1 &
  program=$!
  probe wait-window CHIMORA 30 || fail "the CHIMORA window did not appear"
}
expect_exit_zero() {
  local status=0
  wait "$program" || status=$?
  program=
  [ "$status" -eq 0 ] || fail "chimora.exe ended with exit code $status"
}

# A random song cannot start in minute 59, and a chime at a quarter hour would sound before the
# switches are off: start well clear of both.
while minute=$((10#$(date +%M))) second=$((10#$(date +%S))) &&
  { [ "$minute" -eq 59 ] || { [ $((minute % 15)) -eq 14 ] && [ "$second" -ge 30 ]; }; }; do
  sleep 1
done

[ "$(probe acp | tr -d '\r')" = 932 ] || fail "Wine does not run with code page 932"

echo "-- with a sound device"
start_program "$work/capture.conf"
[ ! -e "$settings" ] || fail "switch.ini was written at start-up"
expect_marks "32773=1 32771=1 32772=1 32779=1 32774=0 32775=1 32776=0 32777=0"

window=$(xdotool search --sync --onlyvisible --name '^CHIMORA$' | head -1)
xdotool windowactivate --sync "$window"
xdotool key alt+f Right # the "機能" drop-down, through the file menu's mnemonic
sleep 0.5
screenshot window-menu.png
xdotool key Escape Escape
sleep 0.2
xdotool key alt+slash
probe wait-window "$ABOUT_CAPTION" 10 || fail "Alt+/ did not open the about box"
sleep 0.3
screenshot about-box.png
xdotool key Escape
probe wait-gone "$ABOUT_CAPTION" 10 || fail "Esc did not close the about box"
xdotool windowactivate --sync "$window"
xdotool key alt+question
probe wait-window "$ABOUT_CAPTION" 10 || fail "Alt+? did not open the about box"
probe close "$ABOUT_CAPTION"
probe wait-gone "$ABOUT_CAPTION" 10 || fail "the close box did not close the about box"

probe send 32772 # the half-hour switch off and on again
expect_marks "32773=1 32771=1 32772=0 32779=1 32774=0 32775=1 32776=0 32777=0"
expect_setting kinou menu2 0
probe send 32772
expect_marks "32773=1 32771=1 32772=1 32779=1 32774=0 32775=1 32776=0 32777=0"
expect_setting kinou menu2 1
for id in "${SWITCH_IDS[@]}"; do probe send "$id"; done # all signals off
probe send 32777 # -6 dB: song files play at gain 0.5
expect_marks "32773=0 32771=0 32772=0 32779=0 32774=0 32775=0 32776=0 32777=1"
for i in 0 1 2 3; do expect_setting kinou "menu$i" 0; done
expect_setting onryo vol 3

probe post 32781 # play a random song: the folder holds one
probe post 32780 # re-acquire while it plays
probe expect-box "$NOTICE" '内部では演奏中になってるみたいです。' 10 ||
  fail "re-acquiring while a song plays did not say so"

# The device receives the song's sound exactly as the renderer makes it at the -6 dB gain:
# its sounding frames, in order (Wine adds silence of its own where a block came late, and on a
# loaded machine marks a late block played without reading it, which costs a few frames).
(cd "$work" && "$run" "$render" folder/jihomml/listen.mml --gain 0.5 -o - >expected.raw)
(cd "$work" && probe heard capture.raw expected.raw 90 60) ||
  fail "the sound device did not receive the song's samples"
rm -f "$capture" # it grows by some 600 kB a second while the program runs

before=$(md5sum <"$settings")
probe post 105 # exit
expect_exit_zero
[ "$(md5sum <"$settings")" = "$before" ] || fail "exiting changed switch.ini"

echo "-- without a sound device"
start_program "$work/no-device.conf"
expect_marks "32773=0 32771=0 32772=0 32779=0 32774=0 32775=0 32776=0 32777=1"
probe post 32780
probe expect-box "$NOTICE" 'デバイスを取得し直します。' 10 || fail "no notice before re-acquiring"
probe expect-box "$NOTICE" 'デバイスを取得し直しました。' 20 || fail "no notice after re-acquiring"
probe send 32775 # still answering: 0 dB
expect_marks "32773=0 32771=0 32772=0 32779=0 32774=0 32775=1 32776=0 32777=0"
probe close CHIMORA # the close box ends the program too
expect_exit_zero
echo "passed"
