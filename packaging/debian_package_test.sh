#!/bin/bash
# Builds the Debian packages from a built tree, checks them with lintian, and runs
# brivo-cli unpacked from its package with only the fonts its package depends on:
# its ASCII glyphs must match those of the build tree's brivo-cli on this machine.
# Usage: debian_package_test.sh BUILD_DIR SCRATCH_DIR BUILD_TREE_BRIVO_CLI PACKAGE...
set -euo pipefail

build_dir=$1
scratch=$2
build_cli=$3
shift 3
expected="$*"

fail() {
    echo "FAILED: $*" >&2
    exit 1
}

rm -rf "$scratch"
mkdir -p "$scratch/debs"
"${CPACK:-cpack}" -G DEB --config "$build_dir/CPackConfig.cmake" -B "$scratch/debs" >"$scratch/cpack.log" 2>&1 ||
    { cat "$scratch/cpack.log"; fail "cpack"; }

for package in $expected; do
    deb=$(ls "$scratch"/debs/"${package}"_*.deb 2>/dev/null) || fail "no package $package"
    echo "$(basename "$deb"): $(stat -c %s "$deb") bytes"
done

# lintian: no errors, and no warnings but the one every first upload outside Debian's
# archive gets (its changelog closes no bug report).
lintian "$scratch"/debs/*.deb >"$scratch/lintian.txt" 2>&1 || true
cat "$scratch/lintian.txt"
if grep -E '^[EW]: ' "$scratch/lintian.txt" | grep -v 'initial-upload-closes-no-bugs'; then
    fail "lintian reports the errors or warnings above"
fi
echo "lintian: $(grep -c '^E: ' "$scratch/lintian.txt" || true) errors," \
    "$(grep -c '^W: ' "$scratch/lintian.txt" || true) warnings"

cli_deb=$(ls "$scratch"/debs/brivo-cli_*.deb)
depends=$(dpkg-deb -f "$cli_deb" Depends)
echo "brivo-cli Depends: $depends"
if grep -Eiq 'qt|libx11|libgl|libxcb' <<<"$depends"; then
    fail "brivo-cli depends on a graphical toolkit"
fi
# The desktop program takes the font aliases from brivo-cli.
if [ -n "$(ls "$scratch"/debs/brivo_*.deb 2>/dev/null)" ]; then
    dpkg-deb -f "$scratch"/debs/brivo_*.deb Depends | grep -q 'brivo-cli (= ' ||
        fail "brivo does not depend on brivo-cli"
fi

# brivo-cli as installed, seeing only the fonts of the packages it depends on.
root="$scratch/root"
dpkg -x "$cli_deb" "$root"
fonts_conf="$scratch/fonts.conf"
{
    echo '<?xml version="1.0"?>'
    echo '<!DOCTYPE fontconfig SYSTEM "fonts.dtd">'
    echo '<fontconfig>'
    for package in $(grep -Eo 'fonts-[a-z0-9-]+' <<<"$depends"); do
        dpkg -L "$package" >/dev/null 2>&1 || fail "$package (a dependency of brivo-cli) is not installed here"
        dpkg -L "$package" | grep -Ei '\.(ttf|ttc|otf)$' | xargs -r -n1 dirname | sort -u |
            sed 's|.*|  <dir>&</dir>|'
    done
    echo "  <cachedir>$scratch/fc-cache</cachedir>"
    echo '</fontconfig>'
} >"$fonts_conf"
grep -q '<dir>' "$fonts_conf" || fail "brivo-cli depends on no font package"

env -i PATH=/usr/bin:/bin HOME="$scratch" FONTCONFIG_FILE="$fonts_conf" \
    "$root/usr/bin/brivo-cli" extract --range ascii -o "$scratch/installed.fnt" \
    >"$scratch/installed.txt" 2>&1 || { cat "$scratch/installed.txt"; fail "installed brivo-cli extract"; }
cat "$scratch/installed.txt"
"$build_cli" extract --range ascii -o "$scratch/build-tree.fnt" >"$scratch/build-tree.txt" 2>&1 ||
    { cat "$scratch/build-tree.txt"; fail "build tree brivo-cli extract"; }

grep -q 'NanumGothicCoding' "$scratch/installed.txt" ||
    fail "the installed brivo-cli does not draw ASCII with NanumGothicCoding"
cmp "$scratch/build-tree.fnt" "$scratch/installed.fnt" ||
    fail "the installed brivo-cli's ASCII glyphs differ from the build tree's"
echo "installed brivo-cli: ASCII glyphs identical to the build tree's"
