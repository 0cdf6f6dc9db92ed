#!/usr/bin/env bash
# The English catalogue po/en.po against the texts the core (src/) and felmo-cli (cli/) mark with
# _() and N_(): fails on any text without its English (untranslated), any entry that needs a
# look (fuzzy) and any entry no longer in the code (obsolete), naming each. Usage:
#   check-translations.sh SOURCE_ROOT
set -euo pipefail

root=${1:?usage: check-translations.sh SOURCE_ROOT}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$root"

find src cli \( -name '*.cpp' -o -name '*.hpp' \) -print | LC_ALL=C sort >"$work/files"
xgettext --from-code=UTF-8 --language=C++ -k_ -kN_ --no-wrap --force-po \
  --package-name=felmo --files-from="$work/files" -o "$work/felmo.pot"
msgmerge --quiet --no-fuzzy-matching --no-wrap -o "$work/merged.po" po/en.po "$work/felmo.pot"

failed=0
# Prints the entries msgattrib selects with `$2`, under the heading `$1`; true when there were any.
report() {
  local heading=$1 selection=$2
  msgattrib $selection --no-wrap --force-po -o "$work/selected.po" "$work/merged.po"
  # The header entry (empty msgid) is always kept; only the others count.
  if [ "$(grep -c '^\(#~ \)\?msgid ' "$work/selected.po")" -gt 1 ]; then
    echo "po/en.po: $heading:"
    awk 'BEGIN { RS = ""; ORS = "\n\n" } NR > 1' "$work/selected.po"
    return 0
  fi
  return 1
}
report "texts of the code without English (untranslated)" "--untranslated --no-obsolete" && failed=1
report "entries marked fuzzy (check the English, then remove the mark)" \
  "--only-fuzzy --no-obsolete" && failed=1
report "entries no longer in the code (obsolete): remove them" "--only-obsolete" && failed=1
exit $failed
