#!/bin/sh
# Every program the install puts in bin/, run by its name as a user runs it:
# its --help (and the --help of each subcommand it lists) fits a terminal of
# 80 columns, and --version prints the program's own name and the project's
# version.
#   help_and_version_test.sh BUILD_DIR WORK_DIR VERSION COMPONENT...
set -eu
build=$1 work=$2 version=$3
shift 3
rm -rf "$work"
mkdir -p "$work"
for component in "$@"; do
    "${CMAKE:-cmake}" --install "$build" --prefix "$work/root" --component "$component" >/dev/null
done

# Display columns, a Hangul syllable taking two, as a terminal shows them.
export LC_ALL=C.UTF-8 QT_QPA_PLATFORM=offscreen
PATH=$work/root/bin:$PATH
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# check_help COMMAND...: its help exits 0, says something, and no line passes 80 columns.
check_help() {
    helps=$((helps + 1))
    "$@" --help >"$work/help.txt" 2>"$work/help-errors.txt" || {
        fail "$* --help exits $?"
        return
    }
    [ -s "$work/help.txt" ] || fail "$* --help prints nothing"
    width=$(wc -L <"$work/help.txt")
    if [ "$width" -gt 80 ]; then
        fail "$* --help has lines of $width columns:"
        awk 'length($0) > 80' "$work/help.txt" >&2
    fi
}

programs=0 helps=0
for path in "$work"/root/bin/*; do
    name=${path##*/}
    programs=$((programs + 1))
    check_help "$name"
    # The subcommands a help lists, indented under "Subcommands:".
    for subcommand in $(awk '/^Subcommands:/ { on = 1; next }
                            on && /^  [a-z]/ { print $1; next }
                            on && !/^ / { on = 0 }' "$work/help.txt"); do
        check_help "$name" "$subcommand"
    done
    said=$("$name" --version 2>/dev/null | head -n 1)
    [ "$said" = "$name $version" ] || fail "$name --version says \"$said\", not \"$name $version\""
done

[ "$programs" -gt 0 ] || fail "the install put no program in bin/"
echo "$programs programs, $helps help texts checked"
[ "$failures" -eq 0 ]
