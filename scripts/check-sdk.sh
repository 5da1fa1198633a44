#!/usr/bin/env bash
# check-sdk.sh - checks the Windows SDK archive as a till vendor uses it.
#   check-sdk.sh unpack <SDK archive>
#       unpacks it beside itself and checks that every file is in place
#       and that an application built as Microsoft's tools build one links
#       against each architecture's qxlogics.lib and imports the plain
#       names;
#   check-sdk.sh run <SDK archive> <x86|x64> <wine>
#       runs that architecture's programs from the unpacked folder: the
#       MSVC-built application reaches the driver, and qxtill.exe runs its
#       demo shift.  Run with a Wine prefix of that architecture set up
#       (WINEPREFIX).
set -euo pipefail
source "$(dirname "$0")/common.sh"

mode="$1"; zip="$2"
work="$(dirname "$zip")/unpacked"

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

unpack() {
    local status=0 file
    rm -rf "$work" && mkdir -p "$work"
    (cd "$work" && cmake -E tar xf "$zip")
    sdk="$(echo "$work"/qxlogics-sdk-*)"
    for file in README.txt LICENSE.txt include/qxlogics.h include/qxsim.h examples/qxlogics.ini \
                examples/qxlang.ini opos/README.md simulator/README.md \
                {x86,x64}/{qxlogics.dll,qxlogics.lib,libqxlogics.dll.a,DorvoLINK.dll,qxtill.exe,qxopos.dll,qxlogics.ini}; do
        [ -f "$sdk/$file" ] || { echo "missing from the SDK: $file"; status=1; }
    done
    [ "$status" -eq 0 ] && echo "SDK: all files in place"
    msvc_consumer x64 x86_64-pc-windows-msvc || status=1
    msvc_consumer x86 i686-pc-windows-msvc || status=1
    return "$status"
}

run() {  # run <x86|x64> <wine>
    local arch="$1" wine="$2" code status=0
    sdk="$(echo "$work"/qxlogics-sdk-*)"
    cd "$sdk/$arch"
    QXLOGS="$work/logs-$arch" "$wine" ./msvc_consumer.exe && code=0 || code=$?
    if [ "$code" -eq 2 ]; then
        echo "$arch: the MSVC build reaches the driver (isOpenQX before initQX: 2)"
    else
        echo "$arch: the MSVC build exited with $code, not isOpenQX's 2"; status=1
    fi
    # The till keeps its logs in ./logs of the unpacked folder.
    if "$wine" ./qxtill.exe demo >"$work/demo-$arch.log" 2>&1; then
        echo "$arch: qxtill.exe demo ran its shift from the unpacked SDK"
    else
        tail -40 "$work/demo-$arch.log"; status=1
    fi
    return "$status"
}

case "$mode" in
    unpack) unpack ;;
    run) run "$3" "$4" ;;
    *) echo "usage: check-sdk.sh unpack <archive> | run <archive> <x86|x64> <wine>" >&2; exit 2 ;;
esac
