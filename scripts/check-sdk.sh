#!/usr/bin/env bash
# check-sdk.sh <SDK archive> <32-bit wine> - unpacks the archive as a till
# vendor does and checks it: every file in place; an application built as
# Microsoft's tools build one links against each qxlogics.lib and imports
# the plain names; the x86 one runs and reaches the driver; and
# x86/qxtill.exe runs its demo shift from the unpacked folder.  Run with
# a 32-bit Wine prefix set up (WINEPREFIX).
set -euo pipefail
source "$(dirname "$0")/common.sh"

zip="$1"; wine="$2"
work="$(dirname "$zip")/unpacked"
rm -rf "$work" && mkdir -p "$work"
(cd "$work" && cmake -E tar xf "$zip")
sdk="$(echo "$work"/qxlogics-sdk-*)"

status=0
for file in README.txt include/qxlogics.h examples/qxlogics.ini examples/qxlang.ini \
            {x86,x64}/{qxlogics.dll,qxlogics.lib,libqxlogics.dll.a,DorvoLINK.dll,qxtill.exe}; do
    [ -f "$sdk/$file" ] || { echo "missing from the SDK: $file"; status=1; }
done
[ "$status" -eq 0 ] && echo "SDK: all files in place"

# msvc_consumer <x86|x64> <clang target>: builds the consumer in the folder.
msvc_consumer() {
    local dir="$sdk/$1" imports
    clang --target="$2" -ffreestanding -O1 -I"$sdk/include" \
        -c "$QX_ROOT/tests/sdk/msvc_consumer.c" -o "$work/consumer-$1.obj" &&
        lld-link-14 /entry:start /subsystem:console /nodefaultlib \
            /out:"$dir/msvc_consumer.exe" "$work/consumer-$1.obj" "$dir/qxlogics.lib" || return 1
    imports="$(x86_64-w64-mingw32-objdump -p "$dir/msvc_consumer.exe" | awk '$NF == "isOpenQX"')"
    [ -n "$imports" ] || { echo "$1: the MSVC build does not import isOpenQX"; return 1; }
    echo "$1: an MSVC build links against qxlogics.lib and imports isOpenQX"
}
msvc_consumer x64 x86_64-pc-windows-msvc || status=1
msvc_consumer x86 i686-pc-windows-msvc || status=1

cd "$sdk/x86"
export QXLOGS="$work/logs"
"$wine" ./msvc_consumer.exe && code=0 || code=$?
if [ "$code" -eq 2 ]; then
    echo "x86: the MSVC build reaches the driver (isOpenQX before initQX: 2)"
else
    echo "x86: the MSVC build exited with $code, not isOpenQX's 2"; status=1
fi
unset QXLOGS
# The till keeps its logs in ./logs of the unpacked folder.
if "$wine" ./qxtill.exe demo >"$work/demo.log" 2>&1; then
    echo "x86: qxtill.exe demo ran its shift from the unpacked SDK"
else
    tail -40 "$work/demo.log"; status=1
fi
exit "$status"
