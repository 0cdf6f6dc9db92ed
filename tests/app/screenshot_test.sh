#!/usr/bin/env bash
# Starts the real felmo on a virtual X server with a private TMPDIR and settings file, waits for
# the start-up sequence to unpack the default graphics, takes two screenshots 300 ms apart and
# checks that the four phone previews show pictures (not one flat colour) and that the animation
# preview moved between the two.
#
#   screenshot_test.sh BIN_DIR SHOT_DIR [MBM_DIR]
#
# MBM_DIR: .mbm files put into the output folder first, as the user's own graphics; without it
# the program shows its embedded defaults.
#
# Exit 0: passed; 1: failed; 77: skipped (no Xvfb or no screenshot tool).
set -uo pipefail

bin=${1:?usage: screenshot_test.sh BIN_DIR SHOT_DIR}
shots=${2:?usage: screenshot_test.sh BIN_DIR SHOT_DIR}
seed=${3:-}

if ! command -v Xvfb >/dev/null; then
  echo "SKIP: Xvfb is not installed (Debian package xvfb)"
  exit 77
fi
if ! command -v import >/dev/null || ! command -v convert >/dev/null || ! command -v compare >/dev/null; then
  echo "SKIP: ImageMagick (import, convert, compare) is not installed"
  exit 77
fi
for program in felmo bmconv; do
  if [ ! -x "$bin/$program" ]; then
    echo "FAIL: $bin/$program has not been built"
    exit 1
  fi
done

work=$(mktemp -d "${TMPDIR:-/tmp}/felmo-screenshot.XXXXXX")
xvfb_pid=
felmo_pid=
cleanup() {
  [ -n "$felmo_pid" ] && kill "$felmo_pid" 2>/dev/null && wait "$felmo_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# A free display number.
display=
for n in $(seq 99 160); do
  if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then display=$n; break; fi
done
if [ -z "$display" ]; then echo "FAIL: no free X display number"; exit 1; fi

Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 1 100); do
  [ -e "/tmp/.X11-unix/X$display" ] && break
  sleep 0.1
done
if [ ! -e "/tmp/.X11-unix/X$display" ]; then
  echo "FAIL: Xvfb did not start"; cat "$work/xvfb.log"; exit 1
fi

# The window at the top-left corner of the screen; everything else private to this run.
mkdir -p "$work/program" "$work/tmp" "$work/runtime"
chmod 700 "$work/runtime"
printf '[FELMO]\r\nX1=0\r\nY1=0\r\n' >"$work/program/Settings.ini"
if [ -n "$seed" ]; then
  mkdir -p "$work/out"
  cp "$seed"/*.mbm "$work/out/"
fi
DISPLAY=":$display" TMPDIR="$work/tmp" XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=xcb \
  "$bin/felmo" --settings "$work/program/Settings.ini" --output "$work/out" \
  >"$work/felmo.log" 2>&1 &
felmo_pid=$!

# The start-up sequence is over when the welcome frame is unpacked and the command file is gone.
done_marker=$(find "$work/tmp" -path '*/Welcomeimage/0.bmp' 2>/dev/null | head -n 1)
for _ in $(seq 1 300); do
  done_marker=$(find "$work/tmp" -path '*/Welcomeimage/0.bmp' 2>/dev/null | head -n 1)
  if [ -n "$done_marker" ] && [ ! -e "$work/program/PackUnpack.txt" ]; then break; fi
  if ! kill -0 "$felmo_pid" 2>/dev/null; then
    echo "FAIL: felmo ended during start-up"; cat "$work/felmo.log"; exit 1
  fi
  sleep 0.1
done
if [ -z "$done_marker" ]; then
  echo "FAIL: the start-up sequence did not finish"; cat "$work/felmo.log"; exit 1
fi
sleep 1  # the previews are painted and the animation runs

mkdir -p "$shots"
DISPLAY=":$display" import -window root "$shots/felmo-1.png"
sleep 0.3
DISPLAY=":$display" import -window root "$shots/felmo-2.png"
if ! kill -0 "$felmo_pid" 2>/dev/null; then
  echo "FAIL: felmo ended"; cat "$work/felmo.log"; exit 1
fi

# Client coordinates of the previews; the menu bar pushes them down by its height (under 30 px),
# so each check looks at the part of the panel that is inside it whatever that height is.
status=0
check_region() {  # name x y w h
  local name=$1 x=$2 y=$3 w=$4 h=$5
  local inner="$((w - 8))x$((h - 30))+$((x + 4))+$((y + 30))"
  local colours
  colours=$(convert "$shots/felmo-1.png" -crop "$inner" +repage -format '%k' info:)
  echo "$name: $colours colours in $inner"
  if [ "$colours" -le 1 ]; then
    echo "FAIL: the $name preview is blank"; status=1
  fi
}
check_region "status area and background" 8 22 176 200
check_region "splash screen" 192 34 176 208
check_region "animation" 376 34 176 208
check_region "welcome" 560 34 176 208

animation="168x178+380+64"
convert "$shots/felmo-1.png" -crop "$animation" +repage "$work/animation-1.png"
convert "$shots/felmo-2.png" -crop "$animation" +repage "$work/animation-2.png"
changed=$(compare -metric AE "$work/animation-1.png" "$work/animation-2.png" null: 2>&1)
echo "animation: $changed pixels changed between the two screenshots"
if ! [[ "$changed" =~ ^[0-9.e+]+$ ]]; then
  echo "FAIL: could not compare the screenshots"; status=1
elif [ "$changed" = "0" ]; then
  echo "FAIL: the animation preview did not move"; status=1
fi
[ "$status" -eq 0 ] && echo "PASS: screenshots in $shots"
exit "$status"
