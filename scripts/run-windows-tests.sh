#!/usr/bin/env bash
# Runs the Windows build under Wine:
#   scripts/run-windows-tests.sh WINDOWS_BIN NATIVE_BIN
# WINDOWS_BIN holds felmo-cli.exe, bmconv.exe and the test programs built for Windows (make
# windows), NATIVE_BIN the native felmo-cli and bmconv. Every test program runs once (gtest,
# all its tests in one process); then felmo-cli.exe and the native felmo-cli start up with the
# same user .mbm file and build the five .mbm files from the same pictures, and the files must be
# byte for byte the same. Wine runs in a
# fresh prefix in a temporary folder, so nothing of the user's own Wine is used or changed.
set -euo pipefail

[ $# -eq 2 ] || { echo "usage: $0 WINDOWS_BIN NATIVE_BIN" >&2; exit 2; }
: "${WINDOWS_TESTS:?the names of the Windows test programs (make windows-test sets them)}"
windows_bin="$(cd "$1" && pwd)"
native_bin="$(cd "$2" && pwd)"

wine="$(command -v wine || true)"
[ -n "$wine" ] || { echo "Wine is not installed (scripts/install-deps.sh)" >&2; exit 1; }

work="$(mktemp -d "${TMPDIR:-/tmp}/felmo-wine.XXXXXX")"
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEARCH=win64
# No prompts for the .NET and HTML runtimes a fresh prefix would offer to install.
export WINEDLLOVERRIDES="mscoree=;mshtml="
cleanup() {
  wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

echo "== Wine prefix"
"$wine" wineboot --init >/dev/null 2>&1
wineserver -w

failed=()
# The test programs built for Windows (make windows); a program missing from the build is a
# failure, not a skip.
for test in $WINDOWS_TESTS; do
  program="$windows_bin/$test.exe"
  if [ ! -f "$program" ]; then
    echo "== $test: not built" >&2
    failed+=("$test")
    continue
  fi
  echo "== $test"
  if ! (cd "$windows_bin" && "$wine" "$program" --gtest_brief=1 2>&1); then
    failed+=("$test")
  fi
done

echo "== the five .mbm files, Windows and native, from the same pictures and the same user file"
pictures="$work/pictures"
mkdir -p "$pictures"
# Pictures of every format the readers take, drawn here so nothing binary is kept in the tree.
convert -size 320x240 -seed 7 plasma:orange-navy "$pictures/background.png"
convert -size 200x300 -seed 11 plasma:green-yellow -quality 90 "$pictures/splash.jpg"
convert -size 176x208 -seed 13 plasma:purple-white -define webp:lossless=true \
  "$pictures/welcome.webp"
convert -size 120x40 -seed 17 plasma:red-black "$pictures/logo.gif"
convert -size 260x180 -seed 19 plasma:cyan-brown -type TrueColor "BMP3:$pictures/fade.bmp"
commands=(background "$pictures/background.png" splash "$pictures/splash.jpg"
  welcome "$pictures/welcome.webp" overlay "$pictures/logo.gif" overlay-set alpha=170 up=12
  effect crossfade "$pictures/fade.bmp" depth startup=24 status=12 splash=16 welcome=8 build)

# A user's own EidPic.mbm (packed here by the native converter) in both output folders: each
# start-up unpacks it through a command file in its own system's form (" /u " and backslashes on
# Windows), and each build packs it again.
user="$work/user"
mkdir -p "$user"
convert -size 176x12 -seed 23 plasma:blue-gold -type TrueColor "BMP3:$user/0.bmp"
pack=("$user/EidPic.mbm" "-c24$user/0.bmp")
for k in 1 2 3 4; do
  convert -size 176x68 -seed $((23 + k)) plasma:gray-pink -type TrueColor "BMP3:$user/$k.bmp"
  pack+=("-c24$user/$k.bmp")
done
printf '%s\r\n' "${pack[@]}" > "$user/PackUnpack.txt"
(cd "$user" && "$native_bin/bmconv" PackUnpack.txt >/dev/null)
mkdir -p "$work/native/out" "$work/windows/out"
cp "$user/EidPic.mbm" "$work/native/out/"
cp "$user/EidPic.mbm" "$work/windows/out/"
"$native_bin/felmo-cli" --settings "$work/native/Settings.ini" --output "$work/native/out" \
  "${commands[@]}"
# The Windows program gets the same files through Wine's drive for the root folder.
windows_commands=()
for argument in "${commands[@]}"; do
  case "$argument" in
    /*) windows_commands+=("Z:${argument//\//\\}") ;;
    *) windows_commands+=("$argument") ;;
  esac
done
(cd "$windows_bin" && "$wine" felmo-cli.exe --settings "Z:${work//\//\\}\\windows\\Settings.ini" \
  --output "Z:${work//\//\\}\\windows\\out" "${windows_commands[@]}")
for slot in startup EidPic backgroundimage Splashscreen Welcomeimage; do
  if cmp "$work/native/out/$slot.mbm" "$work/windows/out/$slot.mbm"; then
    echo "$slot.mbm: the same"
  else
    failed+=("$slot.mbm")
  fi
done

if [ ${#failed[@]} -ne 0 ]; then
  echo "Failed under Wine: ${failed[*]}" >&2
  exit 1
fi
echo "Every Windows test passed under Wine"
