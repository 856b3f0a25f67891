#!/bin/bash
# dovex-cli copy to and from network drives against cp through the same
# gvfs FUSE directory, on the loopback Samba and SSH servers of the tests.
#
#   bench/netcopy_vs_cp.sh BUILD_DIR [MIB] [RUNS]
#
# Prints one line per direction and server: the median seconds of each and
# their ratio (dovex / cp). Needs what tests/network/netserver.sh needs.
set -u
build=${1:?usage: $0 BUILD_DIR [MIB] [RUNS]}
mib=${2:-64}
runs=${3:-5}
here=$(cd "$(dirname "$0")/.." && pwd)
cli="$build/src/dovex-cli"
work=$(mktemp -d /tmp/dovex-netbench-XXXXXX) && chmod 755 "$work"
trap '"$here/tests/network/netserver.sh" stop "$work/srv"; rm -rf "$work"' EXIT
"$here/tests/network/netserver.sh" start "$work/srv" || exit $?
set -a; . "$work/srv/env"; set +a
export DOVEX_HOME="$work/home" DOVEX_DRIVES="C=$work/c"
mkdir -p "$work/c" "$work/home"
head -c $((mib * 1024 * 1024)) /dev/urandom > "$work/c/big.bin"

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
timed() { local t0 t1; t0=$(date +%s.%N); "$@" >/dev/null 2>&1; t1=$(date +%s.%N); echo "$t1 - $t0" | bc; }

bench() { # NAME LETTER LOCATION
    local name=$1 letter=$2 location=$3 dir
    echo "$SMB_PASSWORD" | "$cli" net-connect "$location" "$letter" --user "$SMB_USER" --password-stdin >/dev/null || {
        echo "$name: cannot connect"; return; }
    dir=$("$cli" drives >/dev/null; sed -n "s/^drive\t$letter\t[01]\t[^\t]*\t//p" "$work/home/netdrives.txt")
    for way in in out; do
        local d=() c=()
        for _ in $(seq "$runs"); do
            rm -f "$dir/big.bin" "$work/c/out/big.bin"; mkdir -p "$work/c/out"
            if [ $way = in ]; then
                c+=("$(timed cp "$work/c/big.bin" "$dir/big.bin")"); rm -f "$dir/big.bin"
                d+=("$(timed "$cli" copy 'C:\big.bin' "$letter:\\")")
            else
                cp "$work/c/big.bin" "$dir/big.bin"
                c+=("$(timed cp "$dir/big.bin" "$work/c/out/big.bin")"); rm -f "$work/c/out/big.bin"
                d+=("$(timed "$cli" copy "$letter:\\big.bin" 'C:\out')")
            fi
        done
        local dm cm
        dm=$(printf '%s\n' "${d[@]}" | median); cm=$(printf '%s\n' "${c[@]}" | median)
        printf '%-5s %-3s %3d MiB  dovex %6.3f s  cp %6.3f s  ratio %.2f\n' "$name" "$way" "$mib" "$dm" "$cm" \
            "$(echo "$dm / $cm" | bc -l)"
    done
    "$cli" net-disconnect "$letter" >/dev/null
}

bench smb E "smb://127.0.0.1:$SMB_PORT/share"
if [ -z "$SFTP_SKIP" ]; then
    bench sftp F "sftp://127.0.0.1:$SSH_PORT$SSH_HOME"
else
    echo "sftp: skipped ($SFTP_SKIP)"
fi
