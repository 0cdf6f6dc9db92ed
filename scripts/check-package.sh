#!/usr/bin/env bash
# Checks the Debian package the way a user meets it: lints it and its desktop entry and metainfo,
# installs it with apt-get, builds the five .mbm files with the installed felmo-cli as an ordinary
# user, checks that they unpack and that nothing was written beside the programs, then purges the
# package and the user again. Run as root after `make package`.
#   scripts/check-package.sh [felmo_VERSION_amd64.deb]
set -euo pipefail
cd "$(dirname "$0")/.."

deb=${1:-$(ls -t felmo_*_amd64.deb | head -n 1)}
user=felmo-check
contents=$(mktemp -d)
cleanup() {
    rm -rf "$contents"
    if dpkg-query -W -f='${Status}' felmo 2>/dev/null | grep -q "ok installed"; then
        DEBIAN_FRONTEND=noninteractive apt-get purge -y -q felmo >/dev/null
    fi
    if id "$user" >/dev/null 2>&1; then userdel -r "$user" 2>/dev/null || true; fi
}
trap cleanup EXIT

step() { echo "== $*"; }

step "lintian $deb"
lintian --fail-on error --tag-display-limit 0 "$deb"

step "desktop entry and metainfo of the package"
dpkg-deb -x "$deb" "$contents"
desktop-file-validate "$contents"/usr/share/applications/felmo.desktop
appstreamcli validate --no-net "$contents"/usr/share/metainfo/*.metainfo.xml
for size in 16 22 24 32 48 64 128 256; do
    test -s "$contents/usr/share/icons/hicolor/${size}x${size}/apps/felmo.png"
done
dpkg-deb -c "$deb"
ls -l "$deb"

step "apt-get install ./$deb"
DEBIAN_FRONTEND=noninteractive apt-get install -y -q "./$deb"
test -x /usr/bin/felmo && test -x /usr/bin/felmo-cli && test -x /usr/bin/bmconv
man -w felmo-cli bmconv felmo >/dev/null
test -f /usr/share/doc/felmo/README.md
test -f /usr/share/bash-completion/completions/felmo-cli
test -f /usr/share/locale/en/LC_MESSAGES/felmo.mo

step "felmo-cli as the ordinary user $user"
id "$user" >/dev/null 2>&1 || useradd --create-home --shell /bin/bash "$user"
home=$(getent passwd "$user" | cut -d: -f6)
runuser -u "$user" -- env -i HOME="$home" PATH=/usr/bin:/bin LANG=C.UTF-8 \
    sh -c 'cd "$HOME" && felmo-cli build'
output="$home/Documents/FELMO"
test -f "$home/.config/felmo/Settings.ini"

step "the window's language, as the ordinary user $user"
test -f /usr/share/felmo/translations/felmo_en.qm
for locale in C.UTF-8:"Use FILE as the settings file." ru_RU.UTF-8:"Использовать FILE как файл настроек."; do
    runuser -u "$user" -- env -i HOME="$home" PATH=/usr/bin:/bin LANG="${locale%%:*}" \
        QT_QPA_PLATFORM=offscreen felmo --help 2>/dev/null | grep -F "${locale#*:}" >/dev/null
done

step "felmo-cli's language, as the ordinary user $user"
for locale in C.UTF-8:"Usage: felmo-cli" ru_RU.UTF-8:"Использование: felmo-cli"; do
    runuser -u "$user" -- env -i HOME="$home" PATH=/usr/bin:/bin LANG="${locale%%:*}" \
        felmo-cli --help | grep -F "${locale#*:}" >/dev/null
done

step "felmo-cli as root"
root_home="$contents/root-home"
mkdir -p "$root_home"
env -i HOME="$root_home" PATH=/usr/bin:/bin LANG=C.UTF-8 sh -c 'cd "$HOME" && felmo-cli build'
test -f "$root_home/.config/felmo/Settings.ini"
test -f "$root_home/Documents/FELMO/startup.mbm"
for file in /usr/bin/Settings.ini /usr/bin/PackUnpack.txt /usr/bin/Files; do
    if [ -e "$file" ]; then echo "written beside the programs: $file" >&2; exit 1; fi
done

step "the five files unpack"
declare -A frames=([startup]=12 [EidPic]=5 [backgroundimage]=2 [Splashscreen]=1 [Welcomeimage]=1)
for slot in "${!frames[@]}"; do
    runuser -u "$user" -- bmconv -q -v "$output/$slot.mbm" | grep -q "^$output/$slot.mbm: ${frames[$slot]} bitmap(s)$"
    targets=()
    for ((k = 0; k < frames[$slot]; k++)); do targets+=("$home/unpacked-$slot-$k.bmp"); done
    runuser -u "$user" -- bmconv -q -u "$output/$slot.mbm" "${targets[@]}"
    for target in "${targets[@]}"; do test -s "$target"; done
done

step "apt-get purge felmo"
DEBIAN_FRONTEND=noninteractive apt-get purge -y -q felmo
test ! -e /usr/bin/felmo-cli
echo "package checks passed"
