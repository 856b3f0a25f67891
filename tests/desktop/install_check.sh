#!/bin/sh
# Installs the build tree into a temporary DESTDIR and checks what the
# desktop sees: every file in its place, the menu entry and the AppStream
# metadata passing the desktop's own validators, manual pages that follow
# the programs, and both programs answering --version and --help.
# Usage: install_check.sh BUILD_DIR
set -eu
build=$1
dest=$(mktemp -d)
trap 'rm -rf "$dest"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

DESTDIR=$dest cmake --install "$build" --prefix /usr >/dev/null
root=$dest/usr
id=org.dovex.Dovex
for f in bin/dovex bin/dovex-cli share/dovex/manual/dovex.html \
         share/applications/$id.desktop share/metainfo/$id.metainfo.xml \
         share/icons/hicolor/scalable/apps/$id.svg \
         share/man/man1/dovex.1.gz share/man/man1/dovex-cli.1.gz \
         share/bash-completion/completions/dovex-cli share/doc/dovex/copyright; do
    [ -s "$root/$f" ] || fail "$f is not installed"
done
for size in 16 24 32 48 64 128 256; do
    png=$root/share/icons/hicolor/${size}x$size/apps/$id.png
    [ -s "$png" ] || fail "no $size px icon"
    # The PNG header's width and height, big-endian at bytes 16 and 20.
    dims=$(od -An -tu1 -j16 -N8 "$png" | awk '{ print $3 * 256 + $4 "x" $7 * 256 + $8 }')
    [ "$dims" = "${size}x$size" ] || fail "the $size px icon is $dims"
done

desktop-file-validate "$root/share/applications/$id.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$root/share/metainfo/$id.metainfo.xml" || fail "appstreamcli validate"
grep -qx 'Exec=dovex %U' "$root/share/applications/$id.desktop" || fail "Exec line"
grep -qx 'MimeType=inode/directory;' "$root/share/applications/$id.desktop" || fail "MimeType line"

for prog in dovex dovex-cli; do
    "$root/bin/$prog" --version | grep -qx "$prog [0-9][0-9.]*" || fail "$prog --version"
    "$root/bin/$prog" --help | grep -q "^Usage: $prog" || fail "$prog --help"
done

# dovex-cli's page names every subcommand its --help names.
page=$(gzip -dc "$root/share/man/man1/dovex-cli.1.gz")
for cmd in $("$root/bin/dovex-cli" --help | awk '/^  dovex-cli [a-z]/ { print $2 }' | sort -u); do
    printf '%s\n' "$page" | grep -q "^\.B dovex\\\\-cli $(printf '%s' "$cmd" | sed 's/-/\\\\-/g')" ||
        fail "dovex-cli.1 lacks $cmd"
done
gzip -dc "$root/share/man/man1/dovex.1.gz" | grep -q '^\.TH DOVEX 1' || fail "dovex.1"

# The completion offers the subcommands and a subcommand's options.
words=$(PATH=$root/bin:$PATH bash -c '
    . "$1"
    COMP_WORDS=(dovex-cli de); COMP_CWORD=1; _dovex_cli; echo "${COMPREPLY[*]}"
    COMP_WORDS=(dovex-cli copy --ov); COMP_CWORD=2; _dovex_cli 2>/dev/null; echo "${COMPREPLY[*]}"
' _ "$root/share/bash-completion/completions/dovex-cli")
[ "$words" = "$(printf 'decompress delete\n--overwrite=')" ] || fail "completion gave: $words"
echo "installed tree checked"
