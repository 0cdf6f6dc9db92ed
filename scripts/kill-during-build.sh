#!/usr/bin/env bash
# Kills builds of felmo-cli with SIGKILL at a spread of moments and right after the first output
# file changed, and checks what a kill may leave in the output folder: each of the five files
# entirely old or entirely new; once one new file stands, every other new file already stands
# complete beside it under its temporary name; and one more run leaves no temporary of ours.
# Usage: kill-during-build.sh BIN_DIR   (the folder holding felmo-cli and bmconv)
set -euo pipefail
bin=$(cd "$1" && pwd)
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
export TMPDIR=$root/tmp
mkdir -p "$TMPDIR" "$root/program"
slots=(startup EidPic backgroundimage Splashscreen Welcomeimage)
cli() { "$bin/felmo-cli" --settings "$root/program/Settings.ini" "$@"; }
sum() { sha256sum "$1" | cut -d' ' -f1; }

# The old set: the default graphics, built once.
cli --output "$root/old" build > /dev/null
# A picture of our own, different from every default: frame 5 of the default animation.
"$bin/bmconv" -q -u "$root/old/startup.mbm" "$root/f0.bmp" "$root/f1.bmp" "$root/f2.bmp" \
  "$root/f3.bmp" "$root/f4.bmp" "$root/picture.bmp"
new_build=(background "$root/picture.bmp" splash "$root/picture.bmp" welcome "$root/picture.bmp"
           effect slide-right "$root/picture.bmp" build)
start=$(date +%s%N)
cli --output "$root/new" "${new_build[@]}" > /dev/null
full_ms=$(( ($(date +%s%N) - start) / 1000000 ))
declare -A old new
for s in "${slots[@]}"; do
  old[$s]=$(sum "$root/old/$s.mbm")
  new[$s]=$(sum "$root/new/$s.mbm")
  [ "${old[$s]}" != "${new[$s]}" ] || { echo "FAIL: the new $s.mbm equals the old one"; exit 1; }
done

failures=0
check() {  # $1: what the kill was
  local out=$root/out newer=0 s f t complete
  for s in "${slots[@]}"; do
    f=$(sum "$out/$s.mbm")
    if [ "$f" = "${new[$s]}" ]; then newer=$((newer + 1))
    elif [ "$f" != "${old[$s]}" ]; then echo "FAIL ($1): $s.mbm is neither old nor new"; failures=$((failures + 1)); fi
  done
  if [ "$newer" -gt 0 ]; then
    for s in "${slots[@]}"; do
      [ "$(sum "$out/$s.mbm")" = "${new[$s]}" ] && continue
      complete=0
      for t in "$out"/."$s".mbm.*.tmp; do
        [ -f "$t" ] && [ "$(sum "$t")" = "${new[$s]}" ] && complete=1
      done
      [ "$complete" = 1 ] || { echo "FAIL ($1): $s.mbm is old but a new file already stands"; failures=$((failures + 1)); }
    done
  fi
  # One more run (start-up only, exporting the frames) clears what the killed one left.
  echo "user's own" > "$out/notes.tmp"
  cli --output "$out" export "$root/frames" > /dev/null 2>&1 || true
  local left
  left=$(find "$out" -maxdepth 1 -name '.*.mbm.*.tmp')
  if [ -n "$left" ]; then
    echo "FAIL ($1): temporaries left after one more run: $left"; failures=$((failures + 1))
  fi
  [ -f "$out/notes.tmp" ] || { echo "FAIL ($1): the user's notes.tmp went"; failures=$((failures + 1)); }
}
reset_output() { rm -rf "$root/out" "$TMPDIR"/*; cp -a "$root/old" "$root/out"; }
kill_run() { kill -KILL "$1" 2> /dev/null || true; wait "$1" 2> /dev/null || true; }

runs=24
for i in $(seq 1 $runs); do
  reset_output
  delay_ms=$(( full_ms * i / runs ))
  "$bin/felmo-cli" --settings "$root/program/Settings.ini" --output "$root/out" \
    "${new_build[@]}" > /dev/null 2>&1 &
  pid=$!
  sleep "$(printf '%d.%03d' $((delay_ms / 1000)) $((delay_ms % 1000)))"
  kill_run "$pid"
  check "killed after ${delay_ms} ms"
done
for i in 1 2 3; do
  reset_output
  first=$(stat -c %i "$root/out/startup.mbm")
  "$bin/felmo-cli" --settings "$root/program/Settings.ini" --output "$root/out" \
    "${new_build[@]}" > /dev/null 2>&1 &
  pid=$!
  while kill -0 "$pid" 2> /dev/null && [ "$(stat -c %i "$root/out/startup.mbm")" = "$first" ]; do :; done
  kill_run "$pid"
  check "killed at the first rename"
done
echo "kill-during-build: $((runs + 3)) builds killed (a whole build takes ${full_ms} ms), $failures failures"
[ "$failures" = 0 ]
