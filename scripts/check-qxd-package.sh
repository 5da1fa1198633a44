#!/usr/bin/env bash
# check-qxd-package.sh <folder> - the package qxd of an amd64 package
# build, as an administrator meets it: installed with the driver and the
# simulator, started (by systemd where it runs, else by hand as its user
# qxd with the unit's folders and variables), its health answered on
# loopback and its token file private; then purged without a trace.
# Called by check-packages.sh after its own checks; lintian has run.
set -uo pipefail
source "$(dirname "$0")/common.sh"

dir="$1"
version="$(sed -nE 's/^project\(qxlogics VERSION ([0-9.]+) .*/\1/p' "$QX_ROOT/CMakeLists.txt")"
packages=(qxlogics-common libqxlogics1 qxlogics-simulator qxd)  # qxd last
port=18710
sim="/usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)/qxlogics/simulator"
work="$dir/qxd-installed"
as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo -n "$@"; fi; }
fail() { echo "FAILED: qxd package: $*"; return 1; }

debs=()
for package in "${packages[@]}"; do
    debs+=("$(ls "$dir/${package}_${version}-1_"{amd64,all}.deb 2>/dev/null | head -1)")
done
[ -f "${debs[-1]}" ] || { fail "no qxd package in $dir"; exit 1; }
rm -rf "$work" && mkdir -p "$work"
as_root dpkg -i "${debs[@]}" >"$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log"; fail "dpkg -i"; exit 1; }
dpkg -L qxd >"$work/listed.txt"

status=0
if [ -d /run/systemd/system ]; then
    as_root systemctl start qxd.service
    port="$(sed -nE 's/^port *= *([0-9]+).*/\1/p' /etc/qxd/qxd.conf)"
else
    # The unit's StateDirectory, LogsDirectory and user, by hand.
    as_root install -d -o qxd -g qxd -m 0700 /var/lib/qxd
    as_root install -d -o qxd -g qxd -m 0755 /var/log/qxd
    root=(); [ "$(id -u)" -eq 0 ] || root=(sudo -n)
    "${root[@]}" setpriv --reuid=qxd --regid=qxd --init-groups env STATE_DIRECTORY=/var/lib/qxd \
        QXLOGS=/var/log/qxd LD_LIBRARY_PATH="$sim" \
        /usr/sbin/qxd --config /etc/qxd/qxd.conf --port "$port" >"$work/qxd.log" 2>&1 &
    started=$!  # qxd itself (setpriv and env exec), or sudo, which passes signals on
fi
health=""
for _ in $(seq 100); do
    health="$(curl -sf "http://127.0.0.1:$port/v1/health")" && break
    sleep 0.1
done
grep -q '"service":"qxd"' <<<"$health" && echo "qxd answers: $health" ||
    { fail "no health on port $port"; cat "$work/qxd.log" 2>/dev/null; status=1; }
[ "$(as_root stat -c '%a %U' /var/lib/qxd/token 2>/dev/null)" = "600 qxd" ] &&
    echo "token: mode 0600, user qxd" || { fail "token file not 0600 and qxd's"; status=1; }
if [ -d /run/systemd/system ]; then
    as_root systemctl stop qxd.service
else
    as_root kill -TERM "$started"
    wait "$started"
fi

as_root dpkg --purge qxd qxlogics-simulator libqxlogics1 qxlogics-common >>"$work/dpkg.log" 2>&1 ||
    { cat "$work/dpkg.log"; fail "dpkg --purge"; exit 1; }
while read -r path; do
    [ -e "$path" ] && [ ! -d "$path" ] && { fail "left after purge: $path"; status=1; }
done <"$work/listed.txt"
for path in /etc/qxd /var/lib/qxd /var/log/qxd; do
    [ -e "$path" ] && { fail "left after purge: $path"; status=1; }
done
[ "$status" -eq 0 ] && echo "qxd package: installed, started, answered, purged"
exit "$status"
