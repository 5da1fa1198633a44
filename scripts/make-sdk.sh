#!/usr/bin/env bash
# make-sdk.sh <x64 build folder> <x86 build folder> <output folder> - packs
# the Windows SDK a till vendor unpacks: qxlogics-sdk-<version>.zip with
#   x86/ and x64/  qxlogics.dll, qxlogics.lib (MSVC), libqxlogics.dll.a
#                  (MinGW), the simulator DorvoLINK.dll, qxtill.exe, the
#                  OPOS service object qxopos.dll, and qxlogics.ini beside
#                  the DLL (the OK checks on; the driver reads it when
#                  neither QXCONFIG's folder nor the current one has one)
#   include/       qxlogics.h, and qxsim.h (the simulator's control entries)
#   simulator/     README.md, the simulator's manual
#   opos/          README.md of the OPOS service object
#   examples/      qxlogics.ini, qxlang.ini
#   README.txt     for vendors
#   LICENSE.txt    the licence (LICENSE)
# Prints the archive's path.
set -euo pipefail
source "$(dirname "$0")/common.sh"

x64="$1"; x86="$2"; out="$3"
version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$x86/CMakeCache.txt")"
name="qxlogics-sdk-$version"
stage="$out/$name"
rm -rf "$stage" "$out/$name.zip"
mkdir -p "$stage/include" "$stage/examples" "$stage/opos" "$stage/simulator"

# pack_arch <folder in the SDK> <build folder> <machine> <module-definition file> [options]
pack_arch() {
    local dir="$stage/$1" build="$2" machine="$3" def="$4"; shift 4
    mkdir -p "$dir"
    cp "$build/bin/qxlogics.dll" "$build/bin/DorvoLINK.dll" "$build/bin/qxtill.exe" \
       "$build/bin/qxopos.dll" \
       "$build/lib/libqxlogics.dll.a" "$QX_ROOT/examples/qxlogics.ini" "$dir/"
    x86_64-w64-mingw32-strip --strip-unneeded "$dir"/*.dll "$dir"/*.exe
    # The MSVC import library, in the short form Microsoft's own tools make:
    # the names an MSVC caller asks for, bound to the plain exports.
    llvm-dlltool-14 -m "$machine" "$@" -d "$def" -D qxlogics.dll -l "$dir/qxlogics.lib"
}
pack_arch x64 "$x64" i386:x86-64 "$QX_ROOT/api/qxlogics.def"
# x86: the decorated __stdcall symbols (_initQX@12) of the plain exports.
pack_arch x86 "$x86" i386 "$x86/qxlogics-x86.def" -k

cp "$QX_ROOT/include/qxlogics.h" "$QX_ROOT/sim/qxsim.h" "$stage/include/"
cp "$QX_ROOT/opos/README.md" "$stage/opos/"
cp "$QX_ROOT/sim/README.md" "$stage/simulator/"
cp "$QX_ROOT/LICENSE" "$stage/LICENSE.txt"
cp "$QX_ROOT/examples/qxlogics.ini" "$QX_ROOT/examples/qxlang.ini" "$stage/examples/"
sed "s/@VERSION@/$version/" "$QX_ROOT/sdk/README.txt" >"$stage/README.txt"

(cd "$out" && cmake -E tar cf "$name.zip" --format=zip "$name")
rm -rf "$stage"
echo "$out/$name.zip"
