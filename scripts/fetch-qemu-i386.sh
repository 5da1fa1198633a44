#!/usr/bin/env bash
# fetch-qemu-i386.sh - fetches a qemu-i386 that runs 32-bit Wine into the
# project's own cache folder and prints its path; done once, skipped when
# the cache holds it already.
#
# The 32-bit Wine of this system needs qemu-i386 10.0 (older ones hang in
# wineboot): Debian 13's qemu-user, whose binaries are static and so run on
# older systems too.  It is fetched with an apt state of its own (lists,
# status, sources, archives in the cache folder) from the mirror that this
# machine's own apt sources name; the system's apt state is left as it is.
set -euo pipefail
source "$(dirname "$0")/common.sh"

SUITE=trixie
WANTED_VERSION="10.0"
cache="$QX_ROOT/.qx-cache/qemu-user"
qemu="$cache/qemu-i386"
keyring=/usr/share/keyrings/debian-archive-keyring.gpg

# The version line of a qemu-i386 binary, "qemu-i386 version 10.0.2 (...)".
qemu_version() { "$1" --version 2>/dev/null | sed -n '1s/.* version \([0-9.]*\).*/\1/p'; }

if [ -x "$qemu" ] && [[ "$(qemu_version "$qemu")" == "$WANTED_VERSION".* ]]; then
    echo "$qemu"; exit 0
fi

# The first Debian mirror of this machine's apt sources that is not a
# security archive: deb822 stanzas first, then one-line sources.
system_mirror() {
    local file
    for file in /etc/apt/sources.list.d/*.sources; do
        [ -f "$file" ] || continue
        awk 'BEGIN { RS = ""; FS = "\n" }
             !/\nEnabled: *no/ && !/Suites:[^\n]*-security/ {
                 for (i = 1; i <= NF; i++)
                     if ($i ~ /^URIs:/) { split($i, word, " "); print word[2]; exit }
             }' "$file"
    done
    if [ -f /etc/apt/sources.list ]; then
        awk '$1 == "deb" && !/-security/ {
                 for (i = 2; i <= NF; i++) if ($i ~ /^[a-z+]+:\/\//) { print $i; exit }
             }' /etc/apt/sources.list
    fi
}

mirror="$(system_mirror | head -1)"
[ -n "$mirror" ] || { echo "no Debian mirror in this machine's apt sources" >&2; exit 1; }
# debian-archive-keyring holds Debian 13's keys from its Debian 12 update
# on, and then ships them in a file of their own too.
[ -f "/usr/share/keyrings/debian-archive-$SUITE-automatic.gpg" ] || {
    echo "debian-archive-keyring holds no key of Debian 13 ($SUITE)" >&2; exit 1; }

apt_dir="$cache/apt"
rm -rf "$cache" && mkdir -p "$apt_dir"/{lists/partial,archives/partial,parts,preferences.d}
touch "$apt_dir/status"
echo "deb [signed-by=$keyring] $mirror $SUITE main" >"$apt_dir/sources.list"
cat >"$apt_dir/apt.conf" <<EOF
Dir::State::Lists "$apt_dir/lists";
Dir::State::status "$apt_dir/status";
Dir::Cache "$apt_dir";
Dir::Cache::archives "$apt_dir/archives";
Dir::Etc::SourceList "$apt_dir/sources.list";
Dir::Etc::SourceParts "$apt_dir/parts";
Dir::Etc::PreferencesParts "$apt_dir/preferences.d";
Dir::Etc::Preferences "$apt_dir/preferences";
APT::Architectures { "$(dpkg --print-architecture)"; };
Acquire::Languages "none";
APT::Sandbox::User "$(id -un)";
EOF
export APT_CONFIG="$apt_dir/apt.conf"
qx_say "fetching qemu-user from Debian $SUITE into $cache" >&2
apt-get update -q >"$apt_dir/update.log" 2>&1 || { cat "$apt_dir/update.log" >&2; exit 1; }
(cd "$apt_dir/archives" && apt-get download -q qemu-user) >"$apt_dir/download.log" 2>&1 || {
    cat "$apt_dir/download.log" >&2; exit 1; }
dpkg-deb -x "$apt_dir"/archives/qemu-user_*.deb "$apt_dir/root"
# Only the one binary is kept, not the package, its other emulators and
# the lists.
mv "$apt_dir/root/usr/bin/qemu-i386" "$qemu.new"
rm -rf "$apt_dir"
version="$(qemu_version "$qemu.new")"
[[ "$version" == "$WANTED_VERSION".* ]] || {
    echo "Debian $SUITE's qemu-i386 is version ${version:-unknown}, not $WANTED_VERSION" >&2; exit 1; }
mv "$qemu.new" "$qemu"
echo "$qemu"
