#!/bin/bash
# A Samba server on the loopback address with a share of known files and a
# password user, a private session bus and gvfs (with its FUSE directory),
# for the network drive tests.
#
#   netserver.sh start DIR   starts them all; writes DIR/env (shell-free
#                            KEY=VALUE lines) and DIR/pids; exit 77 with the
#                            reason on stderr when a piece cannot run here
#   netserver.sh stop DIR    stops each process by its recorded PID
#
# Only PIDs this script recorded are ever signalled.
set -u

cmd=${1:-}
dir=${2:-}
[ -n "$cmd" ] && [ -n "$dir" ] || { echo "usage: $0 start|stop DIR" >&2; exit 2; }

user=dovexnet
password='Pw-4-dovex!'

record() { echo "$1 $2" >> "$dir/pids"; }

stop() {
    [ -f "$dir/pids" ] || return 0
    # Unmount gvfs's FUSE directory first, so that nothing is left mounted.
    if [ -f "$dir/env" ]; then
        fuse=$(sed -n 's/^FUSE_DIR=//p' "$dir/env")
        [ -n "$fuse" ] && fusermount3 -u -z "$fuse" 2>/dev/null
    fi
    tac "$dir/pids" | while read -r name pid; do
        [ -n "$pid" ] || continue
        kill -TERM "$pid" 2>/dev/null
    done
    # samba-dcerpcd detaches: its pid file names it.
    for f in "$dir"/samba/pid/samba-dcerpcd.pid "$dir"/samba/pid/rpcd_*.pid; do
        [ -f "$f" ] && pid=$(tr -dc 0-9 < "$f") && [ -n "$pid" ] && kill -TERM "$pid" 2>/dev/null
    done
    sleep 0.3
    tac "$dir/pids" | while read -r name pid; do
        [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null && kill -KILL "$pid" 2>/dev/null
    done
    rm -f "$dir/pids"
    return 0
}

skip() {
    echo "SKIP: $*" >&2
    stop
    exit 77
}

if [ "$cmd" = stop ]; then
    stop
    exit 0
fi
[ "$cmd" = start ] || { echo "usage: $0 start|stop DIR" >&2; exit 2; }

mkdir -p "$dir" && chmod 755 "$dir" || exit 2
: > "$dir/pids"

smbd=$(command -v smbd || ls /usr/sbin/smbd 2>/dev/null)
[ -n "$smbd" ] || skip "smbd is not installed (package samba)"
gvfsd=/usr/libexec/gvfsd
gvfsd_fuse=/usr/libexec/gvfsd-fuse
[ -x "$gvfsd" ] && [ -x "$gvfsd_fuse" ] || skip "gvfsd or gvfsd-fuse is not installed (gvfs-backends, gvfs-fuse)"
command -v dbus-daemon >/dev/null || skip "dbus-daemon is not installed"
[ -e /dev/fuse ] || skip "no /dev/fuse: FUSE cannot run here"
[ "$(id -u)" = 0 ] || skip "smbd needs root to serve a second user here"
nsswrap=$(ls /usr/lib/*/libnss_wrapper.so 2>/dev/null | head -n1)
[ -n "$nsswrap" ] || skip "libnss-wrapper is not installed"

# A free port on the loopback address.
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])' 2>/dev/null)
[ -n "$port" ] || port=$((20000 + RANDOM % 20000))

# The test user exists only for the processes that preload nss_wrapper.
s="$dir/samba"
mkdir -p "$s"/{private,lock,state,cache,pid,log} "$dir/share" && chmod -R 755 "$s"
grep -v "^$user:" /etc/passwd > "$dir/passwd"
echo "$user:x:40123:40123:Dovex test:$dir:/bin/false" >> "$dir/passwd"
cp /etc/group "$dir/group" && echo "$user:x:40123:" >> "$dir/group"
export NSS_WRAPPER_PASSWD="$dir/passwd" NSS_WRAPPER_GROUP="$dir/group"

cat > "$s/smb.conf" <<CONF
[global]
  smb ports = $port
  interfaces = 127.0.0.1
  bind interfaces only = yes
  disable netbios = yes
  server min protocol = SMB2_10
  server role = standalone server
  passdb backend = tdbsam:$s/private/passdb.tdb
  private dir = $s/private
  lock directory = $s/lock
  state directory = $s/state
  cache directory = $s/cache
  pid directory = $s/pid
  log file = $s/log/%m.log
  ncalrpc dir = $s/ncalrpc
  map to guest = never
  load printers = no
  printing = bsd
  printcap name = /dev/null
  disable spoolss = yes
[share]
  path = $dir/share
  read only = no
  valid users = $user
  create mask = 0644
CONF

# The share's known files.
printf 'hello from the share\n' > "$dir/share/hello.txt"
head -c 300000 /dev/urandom > "$dir/share/random.bin"
mkdir -p "$dir/share/sub" && printf 'deep\n' > "$dir/share/sub/deep.txt"
chown -R 40123:40123 "$dir/share"

printf '%s\n%s\n' "$password" "$password" |
    LD_PRELOAD="$nsswrap" smbpasswd -c "$s/smb.conf" -s -a "$user" >/dev/null 2>"$dir/smbpasswd.err" ||
    skip "smbpasswd could not add the test user: $(head -c 300 "$dir/smbpasswd.err")"

LD_PRELOAD="$nsswrap" "$smbd" -F -s "$s/smb.conf" > "$s/log/smbd.out" 2>&1 &
record smbd $!

export XDG_RUNTIME_DIR="$dir/run"
mkdir -p "$XDG_RUNTIME_DIR/gvfs" && chmod 700 "$XDG_RUNTIME_DIR"
bus="unix:path=$XDG_RUNTIME_DIR/bus"
dbus-daemon --session --nofork --nopidfile --address="$bus" > "$dir/dbus.out" 2>&1 &
record dbus-daemon $!
export DBUS_SESSION_BUS_ADDRESS="$bus" GVFS_REMOTE_VOLUME_MONITOR_IGNORE=1 GVFS_DISABLE_FUSE=0
for i in $(seq 50); do [ -S "$XDG_RUNTIME_DIR/bus" ] && break; sleep 0.1; done
[ -S "$XDG_RUNTIME_DIR/bus" ] || skip "the session bus did not start: $(head -c 300 "$dir/dbus.out")"

"$gvfsd" --no-fuse > "$dir/gvfsd.out" 2>&1 &
record gvfsd $!
for i in $(seq 50); do
    dbus-send --session --print-reply --dest=org.freedesktop.DBus / org.freedesktop.DBus.NameHasOwner \
        string:org.gtk.vfs.Daemon 2>/dev/null | grep -q true && break
    sleep 0.1
done
"$gvfsd_fuse" "$XDG_RUNTIME_DIR/gvfs" -f > "$dir/gvfsd-fuse.out" 2>&1 &
record gvfsd-fuse $!
for i in $(seq 50); do grep -q " $XDG_RUNTIME_DIR/gvfs fuse" /proc/self/mounts && break; sleep 0.1; done
grep -q " $XDG_RUNTIME_DIR/gvfs fuse" /proc/self/mounts ||
    skip "gvfsd-fuse did not mount its directory: $(head -c 300 "$dir/gvfsd-fuse.out")"

# The server answers once its port is open.
for i in $(seq 100); do
    (exec 3<>/dev/tcp/127.0.0.1/$port) 2>/dev/null && break
    sleep 0.1
done
(exec 3<>/dev/tcp/127.0.0.1/$port) 2>/dev/null || skip "smbd did not start: $(tail -c 300 "$s/log/smbd.out")"

# An SSH server for SFTP on the loopback address with the same password
# user (its password hash in the preloaded passwd file). Optional: without
# it the SFTP cases skip with the reason in SFTP_SKIP.
sftp_skip=""
sshd=$(command -v sshd || ls /usr/sbin/sshd 2>/dev/null)
ssh_port=""
if [ -z "$sshd" ]; then
    sftp_skip="sshd is not installed (package openssh-server)"
elif ! hash=$(openssl passwd -6 "$password" 2>/dev/null); then
    sftp_skip="openssl cannot hash the test password"
else
    ssh_port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])' 2>/dev/null)
    [ -n "$ssh_port" ] || ssh_port=$((20000 + RANDOM % 20000))
    h="$dir/home"
    mkdir -p "$h/dir/inner" "$dir/ssh" /run/sshd && chmod 755 "$h"
    printf 'over ssh\n' > "$h/dir/note.txt"
    printf 'inner\n' > "$h/dir/inner/in.txt"
    head -c 200000 /dev/urandom > "$h/random.bin"
    ln -s /etc "$h/link"
    chown -R 40123:40123 "$h"
    sed -i "s|^$user:.*|$user:$hash:40123:40123:Dovex test:$h:/bin/sh|" "$dir/passwd"
    ssh-keygen -q -t ed25519 -N '' -f "$dir/ssh/host_key" >/dev/null 2>&1
    cat > "$dir/ssh/sshd_config" <<CONF
ListenAddress 127.0.0.1
Port $ssh_port
HostKey $dir/ssh/host_key
PidFile none
UsePAM no
PasswordAuthentication yes
KbdInteractiveAuthentication no
PubkeyAuthentication no
PermitRootLogin no
StrictModes no
AllowUsers $user
Subsystem sftp internal-sftp
CONF
    LD_PRELOAD="$nsswrap" "$sshd" -D -e -f "$dir/ssh/sshd_config" > "$dir/ssh/sshd.out" 2>&1 &
    record sshd $!
    for i in $(seq 50); do
        (exec 3<>/dev/tcp/127.0.0.1/$ssh_port) 2>/dev/null && break
        sleep 0.1
    done
    (exec 3<>/dev/tcp/127.0.0.1/$ssh_port) 2>/dev/null ||
        sftp_skip="sshd did not start: $(tail -c 300 "$dir/ssh/sshd.out")"
fi

cat > "$dir/env" <<ENV
XDG_RUNTIME_DIR=$XDG_RUNTIME_DIR
DBUS_SESSION_BUS_ADDRESS=$bus
GVFS_REMOTE_VOLUME_MONITOR_IGNORE=1
FUSE_DIR=$XDG_RUNTIME_DIR/gvfs
SMB_PORT=$port
SMB_USER=$user
SMB_PASSWORD=$password
SHARE_DIR=$dir/share
SSH_PORT=$ssh_port
SSH_HOME=$dir/home
SFTP_SKIP=$sftp_skip
ENV
exit 0
