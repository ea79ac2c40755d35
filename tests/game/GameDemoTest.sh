#!/usr/bin/env bash
# The demo as a person sees it: the game on a private virtual X server, played through simulated
# key and mouse presses (xdotool), with screenshots. Checks the log: the engine initialised, 20
# bots were added, shots were fired and expired, the kill-all key killed the bots and the kill
# counter changed, the clipping switch logged both texts, Escape ran the ordered stop and no
# assertion failed; the screenshots show the city with bots in view.
#   GameDemoTest.sh <KorvelX executable> [screenshot folder]
set -uo pipefail

game="$1"
shots="${2:-$(dirname "$game")/demo-screenshots}"
for tool in Xvfb xdotool import convert; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIP: $tool is not installed"
    exit 77
  fi
done
folder="$(cd "$(dirname "$game")" && pwd)"
log="$folder/LogFile.txt"
rm -f "$log"
mkdir -p "$shots"
rm -f "$shots"/*.png

# A private X server on a display number it picks itself; it writes the number once it takes
# connections. It must not reset when its last client leaves: a server resetting refuses
# whoever connects at that moment, and the game would find no display.
number_file="$(mktemp)"
Xvfb -displayfd 3 -noreset -screen 0 1280x720x24 -nolisten tcp 3>"$number_file" >/dev/null 2>&1 &
xvfb=$!
game_pid=""
cleanup() {
  [ -n "$game_pid" ] && kill "$game_pid" 2>/dev/null
  kill "$xvfb" 2>/dev/null
  rm -f "$number_file"
}
trap cleanup EXIT
for _ in $(seq 300); do
  [ -s "$number_file" ] && break
  kill -0 "$xvfb" 2>/dev/null || break
  sleep 0.1
done
number="$(head -1 "$number_file")"
[ -n "$number" ] || { echo "FAIL: the X server did not start"; exit 1; }
export DISPLAY=":$number"

(cd "$folder" && exec ./"$(basename "$game")") >"$shots/game-output.txt" 2>&1 &
game_pid=$!

# Wait for the window, then for the end of loading (the log is written out in blocks, so the
# time is fixed: loading takes about two seconds).
window=""
for _ in $(seq 300); do
  window="$(xdotool search --name . 2>/dev/null | head -1)"
  [ -n "$window" ] && break
  kill -0 "$game_pid" 2>/dev/null || break
  sleep 0.1
done
if [ -z "$window" ]; then
  echo "FAIL: the game opened no window on $DISPLAY"
  grep -F -e "Video driver" -e "No display" "$log" 2>/dev/null
  exit 1
fi
xdotool windowfocus --sync "$window" 2>/dev/null
sleep 4

press() {  # key, seconds held
  xdotool keydown "$1"
  sleep "${2:-0.15}"
  xdotool keyup "$1"
  sleep 0.2
}
# Bots wear olive-green uniforms and nothing else in the city is that colour (lit windows with a
# green cast are brighter, shots are a brighter blue-green): count the olive pixels of a
# screenshot at half size, below the frame-time text in the top corner, after eroding single specks.
olive_mask() {  # picture, then what to do with the mask
  # Olive: g > 1.05 r, g < 1.5 r and r > 1.1 b (one channel each out of a colour matrix), and
  # 0.12 < g < 0.7; a pixel counts when all five hold.
  convert "$1" -crop 1280x696+0+24 +repage -sample 50% \
    \( -clone 0 -color-matrix "-1.05 1 0  1.5 -1 0  1 0 -1.1" -separate -threshold 0.1% \) \
    \( -clone 0 -channel G -separate +channel -threshold 12% \) \
    \( -clone 0 -channel G -separate +channel -threshold 70% -negate \) \
    -delete 0 -evaluate-sequence min -morphology Erode Square:1 "${@:2}"
}
bot_pixels() {  # picture
  olive_mask "$1" -format "%[fx:round(mean*w*h)]" info:
}
# A far bot counts about 60 after erosion, a lit window's speck or a shot nothing.
min_bot_pixels=20
# Turns the crosshair onto the biggest patch of olive in a screenshot: the centre of the patch,
# back in window pixels, against a vertical field of view of pi/4 at 16:9; the game turns by a
# radian for 800 pixels of mouse movement.
aim_at_bot() {  # picture
  olive_mask "$1" -define connected-components:verbose=true -connected-components 8 null: |
    awk '$NF == "gray(255)" && $4 > area { area = $4; split($3, c, ",") }
      END {
        if (!area) exit
        x = 2 * c[1] - 640; y = 2 * c[2] + 24 - 360; t = 0.41421356
        printf "%d %d\n", 800 * atan2(x / 640 * t * 16 / 9, 1), 800 * atan2(y / 360 * t, 1)
      }' | {
    read -r dx dy && xdotool mousemove_relative -- "$dx" "$dy"
  }
}
# As a player looking for the bots: take a screenshot; while no bot is in it, turn by 45 degrees
# (628 pixels, in two moves that stay inside the window) and take it again; after a whole turn,
# walk on a little. A bot found is aimed at and taken again.
look_for_bots() {  # picture name
  local count=0 looks=0
  for _ in 1 2 3; do
    for _ in $(seq 8); do
      import -window root "$shots/$1.png"
      count=$(bot_pixels "$shots/$1.png")
      looks=$((looks + 1))
      if [ "${count:-0}" -ge "$min_bot_pixels" ]; then
        aim_at_bot "$shots/$1.png"
        sleep 0.6
        import -window root "$shots/$1.png"
        count=$(bot_pixels "$shots/$1.png")
        if [ "${count:-0}" -ge "$min_bot_pixels" ]; then
          echo "$1.png: $count bot pixels (look $looks)"
          return
        fi
      fi
      xdotool mousemove_relative -- 314 0
      sleep 0.2
      xdotool mousemove_relative -- 314 0
      sleep 0.5
    done
    press w 1.0
  done
  echo "$1.png: no bot in view"
}
sleep 1
look_for_bots 1-start
# Then play: walk, strafe, and fire at a bot.
press w 2.5
xdotool mousemove_relative -- -150 0
press a 1.0
look_for_bots 2-firing
xdotool mousedown 1
sleep 1
look_for_bots 2-firing
xdotool mouseup 1
press d 1.0
press w 1.5
xdotool click 1
press s 1.0
# Shots live two seconds.
sleep 2.5
look_for_bots 3-walking
press k
sleep 1
import -window root "$shots/4-bots-killed.png"
press End
press End
sleep 0.5
press Escape
for _ in $(seq 100); do
  kill -0 "$game_pid" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$game_pid" 2>/dev/null; then
  echo "FAIL: the game did not stop after Escape"
  exit 1
fi
wait "$game_pid"
status=$?
game_pid=""

failed=0
expect() {  # text, what
  if ! grep -qF -- "$1" "$log"; then
    echo "FAIL: $2 (no \"$1\" in the log)"
    failed=1
  fi
}
expect "KorvelX Initialized" "the engine initialised"
expect "Finished adding bots" "the bots were added"
expect "Killing off all bots" "the kill-all key"
expect "Clipping off, free floating camera" "the clipping switch, off"
expect "Clipping on, camera locked to ground with gravity" "the clipping switch, on"
stop_lines=("KorvelX Stopping" "CollisionHandler Stopped" "RenderDevice Stopped" "InputHandler Stopped"
  "RenderableManager Stopped" "EnviromentHandler Stopped" "Object3DManager Stopped"
  "CollisionDataStructureManager Stopped" "AudioManager Stopped" "AudioDevice Stopped" "KorvelX Stopped")
previous=0
for line in "${stop_lines[@]}"; do
  at=$(grep -nF -- "$line" "$log" | head -1 | cut -d: -f1)
  if [ -z "$at" ] || [ "$at" -le "$previous" ]; then
    echo "FAIL: the ordered stop: \"$line\" missing or out of order"
    failed=1
  else
    previous=$at
  fi
done
summary=$(grep -F "EnviromentHandler, shots fired:" "$log" | tail -1)
fired=$(sed -n 's/.*shots fired: \([0-9]*\),.*/\1/p' <<<"$summary")
expired=$(sed -n 's/.*shots expired: \([0-9]*\),.*/\1/p' <<<"$summary")
kills=$(sed -n 's/.*kills: \([0-9-]*\),.*/\1/p' <<<"$summary")
added=$(sed -n 's/.*bots added: \([0-9]*\),.*/\1/p' <<<"$summary")
if [ "${added:-0}" -lt 20 ] || grep -q "Max number of bots reached" <(sed -n '/Adding bots/,/Finished adding bots/p' "$log"); then
  echo "FAIL: 20 bots were not added ($summary)"
  failed=1
fi
if [ "${fired:-0}" -lt 1 ] || [ "${expired:-0}" -lt 1 ]; then
  echo "FAIL: no shot was fired and expired ($summary)"
  failed=1
fi
if [ "${kills:-0}" -lt 20 ]; then
  echo "FAIL: the kill counter did not take the killed bots ($summary)"
  failed=1
fi
if grep -q "Critical" "$log"; then
  echo "FAIL: an assertion failed:"
  grep -A3 "Critical" "$log" | head -20
  failed=1
fi
if [ "$status" -ne 0 ]; then
  echo "FAIL: exit status $status"
  failed=1
fi
# Each screenshot shows the lit city, not black and not one flat colour, and all but the last
# show bots.
for picture in 1-start 2-firing 3-walking 4-bots-killed; do
  if [ ! -s "$shots/$picture.png" ]; then
    echo "FAIL: no screenshot $picture.png"
    failed=1
    continue
  fi
  read -r mean spread < <(convert "$shots/$picture.png" -colorspace Gray \
    -format "%[fx:mean] %[fx:standard_deviation]\n" info:)
  if awk -v m="$mean" -v s="$spread" 'BEGIN { exit !(m < 0.03 || s < 0.03) }'; then
    echo "FAIL: screenshot $picture.png is dark or flat (mean $mean, spread $spread)"
    failed=1
  fi
  if [ "$picture" != 4-bots-killed ] && [ "$(bot_pixels "$shots/$picture.png")" -lt "$min_bot_pixels" ]; then
    echo "FAIL: no bot in view in screenshot $picture.png"
    failed=1
  fi
done
echo "$summary"
echo "screenshots: $shots"
echo "log: $log"
[ "$failed" -eq 0 ] && echo "PASS"
exit "$failed"
