#!/bin/bash
# dovex-cli copy to and from network drives against cp through the same
# gvfs FUSE directory, on the loopback Samba and SSH servers of the tests.
#
#   bench/netcopy_vs_cp.sh BUILD_DIR [MIB] [RUNS]
#
# Runs dovex-cli and cp in turn (bench/support/pairs.sh) and prints one line
# per direction and server: the median time of each, the median of the
# pair-by-pair ratios (dovex / cp) and their range, and the load average
# before and after. Needs what tests/network/netserver.sh needs.
set -u
build=${1:?usage: $0 BUILD_DIR [MIB] [RUNS]}
mib=${2:-64}
runs=${3:-11}
here=$(cd "$(dirname "$0")/.." && pwd)
cli="$build/src/dovex-cli"
work=$(mktemp -d /tmp/dovex-netbench-XXXXXX) && chmod 755 "$work"
trap '"$here/tests/network/netserver.sh" stop "$work/srv"; rm -rf "$work"' EXIT
"$here/tests/network/netserver.sh" start "$work/srv" || exit $?
set -a; . "$work/srv/env"; set +a
export DOVEX_HOME="$work/home" DOVEX_DRIVES="C=$work/c"
mkdir -p "$work/c" "$work/home"
head -c $((mib * 1024 * 1024)) /dev/urandom > "$work/c/big.bin"

. "$here/bench/support/pairs.sh"

bench() { # NAME LETTER LOCATION
    local name=$1 letter=$2 location=$3 dir
    echo "$SMB_PASSWORD" | "$cli" net-connect "$location" "$letter" --user "$SMB_USER" --password-stdin >/dev/null || {
        echo "$name: cannot connect"; return; }
    dir=$("$cli" drives >/dev/null; sed -n "s/^drive\t$letter\t[01]\t[^\t]*\t//p" "$work/home/netdrives.txt")
    mkdir -p "$work/c/out"
    RUNS=$runs pairs "$name in  $mib MiB" "rm -f '$dir/big.bin'" \
        "'$cli' copy 'C:\\big.bin' '$letter:\\'" "cp '$work/c/big.bin' '$dir/big.bin'" cp
    cp "$work/c/big.bin" "$dir/big.bin"
    RUNS=$runs pairs "$name out $mib MiB" "rm -f '$work/c/out/big.bin'" \
        "'$cli' copy '$letter:\\big.bin' 'C:\\out'" "cp '$dir/big.bin' '$work/c/out/big.bin'" cp
    "$cli" net-disconnect "$letter" >/dev/null
}

echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
bench smb E "smb://127.0.0.1:$SMB_PORT/share"
if [ -z "$SFTP_SKIP" ]; then
    bench sftp F "sftp://127.0.0.1:$SSH_PORT$SSH_HOME"
else
    echo "sftp: skipped ($SFTP_SKIP)"
fi
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
