#!/usr/bin/env bash
# Runs every built libFuzzer target for a bounded time; seeds come from fuzz/corpus/<target>/
# when present (and the .mbm fixtures for the .mbm reader).
set -euo pipefail
bin=$1
seconds=${2:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
shopt -s nullglob
status=0
for target in "$bin"/*_fuzz; do
  name=$(basename "$target")
  work=$(mktemp -d)
  seeds=()
  [ -d "$root/fuzz/corpus/$name" ] && seeds+=("$root/fuzz/corpus/$name")
  if [[ "$name" == mbm_*_fuzz ]] && [ -d "$root/../shared/fixtures/mbm" ]; then
    cp "$root"/../shared/fixtures/mbm/*.mbm "$root"/../shared/fixtures/mbm/*/*.mbm "$work"/ 2>/dev/null || true
  fi
  echo "== $name for ${seconds}s"
  if ! "$target" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 -print_final_stats=1 \
      "$work" "${seeds[@]}" 2>&1 | tail -n 15; then
    status=1
  fi
  rm -rf "$work"
done
exit $status
