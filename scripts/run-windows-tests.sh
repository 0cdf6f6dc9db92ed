#!/usr/bin/env bash
# Runs the Windows build under Wine:
#   scripts/run-windows-tests.sh WINDOWS_BIN NATIVE_BIN [-- BUILD COMMAND...]
# WINDOWS_BIN holds felmo-cli.exe, bmconv.exe and the test programs built for Windows (make
# windows), NATIVE_BIN the native felmo-cli and bmconv. Every test program runs once (gtest,
# all its tests in one process), as many at a time as there are processors, the first named
# first; beside them felmo-cli.exe and the native felmo-cli start up with the same user .mbm file
# and build the five .mbm files from the same pictures, and the files must be byte for byte the
# same. Wine runs in a fresh prefix in a
# temporary folder, so nothing of the user's own Wine is used or changed. A BUILD COMMAND given
# after `--` runs first (make windows), while Wine makes its prefix in the background.
set -euo pipefail

[ $# -ge 2 ] || { echo "usage: $0 WINDOWS_BIN NATIVE_BIN [-- BUILD COMMAND...]" >&2; exit 2; }
: "${WINDOWS_TESTS:?the names of the Windows test programs (make windows-test sets them)}"
windows_bin="$1"
native_bin="$2"
shift 2
build=()
if [ $# -gt 0 ]; then
  [ "$1" = -- ] && [ $# -ge 2 ] || { echo "usage: $0 WINDOWS_BIN NATIVE_BIN [-- BUILD COMMAND...]" >&2; exit 2; }
  shift
  build=("$@")
fi

wine="$(command -v wine || true)"
[ -n "$wine" ] || { echo "Wine is not installed (scripts/install-deps.sh)" >&2; exit 1; }

work="$(mktemp -d "${TMPDIR:-/tmp}/felmo-wine.XXXXXX")"
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEARCH=win64
# No prompts for the .NET and HTML runtimes a fresh prefix would offer to install.
export WINEDLLOVERRIDES="mscoree=;mshtml="
cleanup() {
  wineserver -k 2>/dev/null || true
  wait
  rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work/logs"

# seconds_since START: the seconds from START (a `date +%s.%N`) to now, to one decimal.
seconds_since() { echo "$(date +%s.%N) $1" | awk '{ printf "%.1f", $1 - $2 }'; }

prefix_start="$(date +%s.%N)"
("$wine" wineboot --init && wineserver -w) >"$work/logs/prefix" 2>&1 &
prefix=$!
if [ ${#build[@]} -gt 0 ]; then
  build_start="$(date +%s.%N)"
  "${build[@]}"
  echo "== built for Windows in $(seconds_since "$build_start") s"
fi
windows_bin="$(cd "$windows_bin" && pwd)"
native_bin="$(cd "$native_bin" && pwd)"
wait "$prefix" || { cat "$work/logs/prefix" >&2; echo "Wine could not make its prefix" >&2; exit 1; }
echo "== Wine prefix ready $(seconds_since "$prefix_start") s after it was begun"

# The five .mbm files, built by felmo-cli.exe and by the native felmo-cli from the same pictures.
same_mbm_files() {
  local pictures="$work/pictures"
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
  local user="$work/user" k
  mkdir -p "$user"
  convert -size 176x12 -seed 23 plasma:blue-gold -type TrueColor "BMP3:$user/0.bmp"
  local pack=("$user/EidPic.mbm" "-c24$user/0.bmp")
  for k in 1 2 3 4; do
    convert -size 176x68 -seed $((23 + k)) plasma:gray-pink -type TrueColor "BMP3:$user/$k.bmp"
    pack+=("-c24$user/$k.bmp")
  done
  printf '%s\r\n' "${pack[@]}" >"$user/PackUnpack.txt"
  (cd "$user" && "$native_bin/bmconv" PackUnpack.txt >/dev/null)
  mkdir -p "$work/native/out" "$work/windows/out"
  cp "$user/EidPic.mbm" "$work/native/out/"
  cp "$user/EidPic.mbm" "$work/windows/out/"

  # The native run's work tree in a temporary folder of its own, so another felmo running on the
  # machine does not hold it; the Windows run has the fresh prefix's own.
  mkdir -p "$work/native/tmp"
  TMPDIR="$work/native/tmp" "$native_bin/felmo-cli" --settings "$work/native/Settings.ini" \
    --output "$work/native/out" "${commands[@]}"
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
  local slot status=0
  for slot in startup EidPic backgroundimage Splashscreen Welcomeimage; do
    if cmp "$work/native/out/$slot.mbm" "$work/windows/out/$slot.mbm"; then
      echo "$slot.mbm: the same"
    else
      status=1
    fi
  done
  return $status
}

# run NAME COMMAND...: runs the command in the background, its output and exit status kept
# under NAME; at most as many at a time as there are processors.
jobs_at_once="$(nproc)"
names=()
run() {
  local name="$1"
  shift
  while [ "$(jobs -rp | wc -l)" -ge "$jobs_at_once" ]; do wait -n || true; done
  names+=("$name")
  (
    start="$(date +%s.%N)"
    set +e
    (set -e; "$@") >"$work/logs/$name.out" 2>&1
    echo $? >"$work/logs/$name.status"
    seconds_since "$start" >"$work/logs/$name.seconds"
  ) &
}

# The test programs built for Windows (make windows); a program missing from the build is a
# failure, not a skip.
run_test() { cd "$windows_bin" && "$wine" "$windows_bin/$1.exe" --gtest_brief=1; }
for test in $WINDOWS_TESTS; do
  if [ -f "$windows_bin/$test.exe" ]; then
    run "$test" run_test "$test"
  else
    names+=("$test")
    echo "not built" >"$work/logs/$test.out"
    echo 1 >"$work/logs/$test.status"
    echo 0 >"$work/logs/$test.seconds"
  fi
done
run five_mbm_files same_mbm_files
wait

failed=()
for name in "${names[@]}"; do
  echo "== $name ($(cat "$work/logs/$name.seconds") s)"
  cat "$work/logs/$name.out"
  [ "$(cat "$work/logs/$name.status")" = 0 ] || failed+=("$name")
done

if [ ${#failed[@]} -ne 0 ]; then
  printf 'Failed under Wine:' >&2
  printf ' "%s"' "${failed[@]}" >&2
  echo >&2
  exit 1
fi
echo "Every Windows test passed under Wine"
