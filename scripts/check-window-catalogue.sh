#!/usr/bin/env bash
# Checks that the windows' English catalogue matches the texts of app/: lupdate is run over app/
# into a copy of the catalogue, which must then hold no unfinished entry (a text added or changed
# without its English), no vanished or obsolete one (a text the windows no longer show), and
# exactly the texts the committed catalogue holds. The committed catalogue itself is not touched.
#   scripts/check-window-catalogue.sh [LUPDATE]
set -euo pipefail
cd "$(dirname "$0")/.."

lupdate=${1:-lupdate}
catalogue=app/translations/felmo_en.ts
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cp "$catalogue" "$work/felmo_en.ts"
# The options the catalogue is kept with: no source locations, Russian sources.
"$lupdate" -silent -locations none -source-language ru -target-language en -I . -I src app \
    -ts "$work/felmo_en.ts"

status=0
for kind in unfinished vanished obsolete; do
    if grep -q "type=\"$kind\"" "$work/felmo_en.ts"; then
        echo "$catalogue: $kind entries:" >&2
        grep -B 1 "type=\"$kind\"" "$work/felmo_en.ts" | grep "<source>" >&2
        status=1
    fi
done
if ! cmp -s "$catalogue" "$work/felmo_en.ts"; then
    echo "$catalogue differs from what lupdate makes of app/ (run lupdate as above):" >&2
    diff -u "$catalogue" "$work/felmo_en.ts" >&2 || true
    status=1
fi
exit $status
