#!/usr/bin/env bash
# x86-namespace.sh <command...> - runs the command where every 32-bit x86
# program that it starts (32-bit Wine, its wineserver, wineboot and the
# Windows programs) runs under qemu-i386 user mode.
#
# For kernels that cannot run 32-bit programs.  The command runs in a
# private user and mount namespace with a binfmt_misc instance of its own
# (Linux 6.7 and later), in which qemu-i386 is registered for i386 ELF
# programs.  Nothing is registered outside the namespace and no kernel
# setting changes.  qemu-i386 is the one scripts/fetch-qemu-i386.sh keeps
# (fetched on first use), or QX_QEMU_I386.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"

# qemu's own qemu-binfmt-conf.sh entry for i386: an ELF32 little-endian
# executable or shared object (PIE) for machine EM_386.
I386_MAGIC='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
I386_MASK='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
BINFMT=/proc/sys/fs/binfmt_misc

[ "$#" -gt 0 ] || { echo "usage: x86-namespace.sh <command...>" >&2; exit 2; }

if [ -z "${QX_X86_NAMESPACE:-}" ]; then
    qemu="${QX_QEMU_I386:-$("$here/fetch-qemu-i386.sh")}"
    QX_X86_NAMESPACE=1 QX_QEMU_I386="$qemu" \
        exec unshare --user --map-root-user --mount "$0" "$@"
fi

# Inside: this namespace's own instance.  Flag F opens qemu-i386 now, so
# that it runs from any mount namespace and chroot the programs enter.
mount -t binfmt_misc binfmt_misc "$BINFMT"
printf ':qemu-i386:M::%s:%s:%s:F' "$I386_MAGIC" "$I386_MASK" "$QX_QEMU_I386" >"$BINFMT/register"
exec "$@"
