#!/bin/sh
# Makes the Debian package from the built tree, checks it with lintian,
# installs it with dpkg, starts both programs from /usr/bin and removes it
# again, checking that nothing of it stays behind. Installing needs root and
# a machine without dovex installed (the CI machine): elsewhere the package
# is still made and checked, and the test reports itself skipped (77).
# Usage: package_check.sh BUILD_DIR
set -eu
build=$1
work=$(mktemp -d)
installed=no
cleanup() {
    [ "$installed" = yes ] && dpkg --purge dovex >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/out" >/dev/null
deb=$(ls "$work"/out/dovex_*_*.deb)
[ -f "$deb" ] || fail "no package was made"
lintian --fail-on error "$deb" ||
    fail "lintian found errors"
depends=$(dpkg-deb -f "$deb" Depends)
recommends=$(dpkg-deb -f "$deb" Recommends)
case $depends in *libqt6widgets6*) ;; *) fail "Depends not computed: $depends" ;; esac
# Loaded at their first use, so no dynamic section names them.
for lib in libarchive libzip libmspack; do
    case $depends in *"$lib"*) ;; *) fail "$lib missing from Depends: $depends" ;; esac
done
for tool in zip unzip arj 7zip; do
    case ", $recommends," in *", $tool,"*) ;; *) fail "$tool not recommended" ;; esac
    case ", $depends," in *", $tool"[,\ ]*) fail "$tool is a dependency" ;; esac
done

if [ "$(id -u)" -ne 0 ] || dpkg-query -W -f='${Status}' dovex 2>/dev/null | grep -q installed; then
    echo "package made and checked; not installed (needs root and no dovex installed)"
    exit 77
fi
installed=yes
dpkg -i "$deb" >/dev/null || fail "dpkg -i"
files=$(dpkg -L dovex)
[ "$(/usr/bin/dovex-cli --version)" = "dovex-cli $(dpkg-deb -f "$deb" Version)" ] ||
    fail "dovex-cli --version"

# The window started with a folder runs until it is stopped.
mkdir -p "$work/win" "$work/home" "$work/folder"
printf '[Settings]\nShowIntro=0\nToolsSeek=1\n' > "$work/win/Dovex.Ini"
rc=0
QT_QPA_PLATFORM=offscreen DOVEX_WINDIR=$work/win DOVEX_HOME=$work/home \
    timeout 5 /usr/bin/dovex "$work/folder" 2>"$work/stderr" || rc=$?
[ "$rc" -eq 124 ] || { cat "$work/stderr" >&2; fail "the window ended with $rc"; }

dpkg --purge dovex >/dev/null || fail "dpkg --purge"
installed=no
dpkg-query -W -f='${Status}' dovex 2>/dev/null | grep -q installed && fail "still installed"
for f in $files; do
    [ -d "$f" ] && continue
    [ -e "$f" ] && fail "$f was left behind"
done
for d in /usr/share/doc/dovex /usr/share/dovex; do
    [ -e "$d" ] && fail "$d was left behind"
done
echo "package made, checked, installed, run and removed"
