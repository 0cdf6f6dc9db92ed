#!/usr/bin/env bash
# The bash completion of felmo-cli and bmconv, driven as bash drives it: COMP_WORDS and
# COMP_CWORD set, the function called, COMPREPLY compared. Runs the built felmo-cli, whose
# --help and --list feed the command and effect names.
#   completion_test.sh BIN_DIR COMPLETION_DIR
set -uo pipefail
bin_dir=$(cd "$1" && pwd)
completion_dir=$(cd "$2" && pwd)
export PATH="$bin_dir:$PATH"
source "$completion_dir/felmo-cli"
source "$completion_dir/bmconv"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
touch sunset.jpg logo.BMP notes.txt phone.mbm frame0.bmp
mkdir pictures

failures=0
# expect FUNCTION "WORDS ... CURRENT" "EXPECTED REPLY (sorted, space-separated)"
expect() {
    local function=$1 line=$2 wanted=$3
    read -r -a COMP_WORDS <<<"$line"
    [[ $line == *" " ]] && COMP_WORDS+=("")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMP_LINE=$line
    COMP_POINT=${#line}
    COMPREPLY=()
    "$function" 2>/dev/null
    local got
    got=$(printf '%s\n' "${COMPREPLY[@]}" | sed '/^$/d' | sort | tr '\n' ' ')
    got=${got% }
    if [[ $got != "$wanted" ]]; then
        echo "FAIL: '$line' gave [$got], expected [$wanted]"
        failures=$((failures + 1))
    fi
}

cases() {
    # Options, commands and the arguments each command takes.
    expect _felmo_cli "felmo-cli --ou" "--output"
    expect _felmo_cli "felmo-cli --l" "--language --list"
    expect _felmo_cli "felmo-cli --language " "en ru"
    expect _felmo_cli "felmo-cli --language ru --output pictures b" "background build"
    expect _felmo_cli "felmo-cli --output pic" "pictures"
    expect _felmo_cli "felmo-cli --output pictures b" "background build"
    expect _felmo_cli "felmo-cli --output=x st" "strip strip-colour"
    expect _felmo_cli "felmo-cli bu" "build"
    expect _felmo_cli "felmo-cli background s" "sunset.jpg"
    expect _felmo_cli "felmo-cli overlay l" "logo.BMP"
    expect _felmo_cli "felmo-cli export p" "pictures"
    expect _felmo_cli "felmo-cli strip 1" "1 10 11 12 13 14 15"
    # Effect names, then a picture for the effects that take one, then the next command.
    expect _felmo_cli "felmo-cli effect zoom-" "zoom-in zoom-out"
    expect _felmo_cli "felmo-cli effect binocular-out-right" \
        "binocular-out-right binocular-out-right-down binocular-out-right-up"
    expect _felmo_cli "felmo-cli effect slide-right su" "sunset.jpg"
    expect _felmo_cli "felmo-cli effect slide-right sunset.jpg bu" "build"
    expect _felmo_cli "felmo-cli effect zoom-in b" "background build"
    # Slots and values of depth; keys of overlay-set; the command after them.
    expect _felmo_cli "felmo-cli depth s" "splash splash= startup= status= strip strip-colour"
    expect _felmo_cli "felmo-cli depth startup=1" "startup=12 startup=16"
    expect _felmo_cli "felmo-cli depth startup=24 w" "welcome welcome="
    expect _felmo_cli "felmo-cli depth startup=24 build e" \
        "effect export export-animation export-poster"
    expect _felmo_cli "felmo-cli overlay-set k" "keep-background="
    expect _felmo_cli "felmo-cli overlay-set alpha=9 keep-background=" "keep-background=0 keep-background=1"

    # bmconv: the multi-bitmap file first, then bitmaps with their depth option glued on.
    expect _bmconv "bmconv -" "--help --version -n -q -u -v"
    expect _bmconv "bmconv ph" "phone.mbm"
    expect _bmconv "bmconv -u phone.mbm f" "frame0.bmp"
    expect _bmconv "bmconv phone.mbm -c1" "-c12 -c16"
    expect _bmconv "bmconv phone.mbm -c16fr" "-c16frame0.bmp"
    expect _bmconv "bmconv -v phone.mbm " ""

}

# Without bash-completion's helpers, then with them when they are installed.
cases
if [[ -f /usr/share/bash-completion/bash_completion ]]; then
    source /usr/share/bash-completion/bash_completion
    cases
fi

if ((failures)); then
    echo "$failures completion case(s) failed"
    exit 1
fi
echo "all completion cases passed"
