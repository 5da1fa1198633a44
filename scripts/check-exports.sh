#!/usr/bin/env bash
# check-exports.sh <native build> <Windows build>... - in every build the
# library exports exactly the functions declared in include/qxlogics.h, no
# more, no fewer, and the simulator the three device entries under their
# platform's names (beside its qxsim_* control entries).  Every Windows
# DLL and program imports only Windows system DLLs and the project's own
# two (the OPOS service object also COM's ole32 and oleaut32): no
# compiler runtime to ship.  The service object exports the four entries
# of an in-process COM server.
set -euo pipefail
source "$(dirname "$0")/common.sh"

native="$1"; shift
expected="$(grep -oE 'QXAPI [A-Za-z0-9_]+\(' "$QX_ROOT/include/qxlogics.h" |
            sed -E 's/QXAPI ([A-Za-z0-9_]+)\(/\1/' | sort)"
count="$(printf '%s\n' "$expected" | grep -c .)"
windows_entries="$(printf '%s\n' '?qx_002@@YGXPAD0@Z' '?qx_dini@@YGXXZ' qx_initiate2)"
system_dlls='^(KERNEL32|USER32|VERSION|ADVAPI32|ole32|OLEAUT32|msvcrt|qxlogics|DorvoLINK)\.dll$'
com_entries="$(printf '%s\n' DllCanUnloadNow DllGetClassObject DllRegisterServer DllUnregisterServer)"

compare() {  # compare <what> <expected names> <actual names>
    if [ "$3" = "$2" ]; then
        echo "$1: $(printf '%s\n' "$2" | grep -c .) exports as expected"
    else
        echo "$1: exports differ (< expected, > module):"
        diff <(printf '%s\n' "$2") <(printf '%s\n' "$3") || true
        return 1
    fi
}

elf_names() { nm -D --defined-only "$1" | awk 'NF >= 3 { print $3 }' | sed 's/@.*//' | sort -u; }
pe_names() {
    x86_64-w64-mingw32-objdump -p "$1" |
        awk '/\[Ordinal\/Name Pointer\] Table/ { inside = 1; next }
             inside && NF == 0 { inside = 0 }
             inside { print $NF }' | sort -u
}
# The device entries among a simulator's exports: not its control entries,
# nor (ELF) the C++ library's vague-linkage instantiations.
device_entries() { grep -Ev '^(qxsim_|_Z)' || true; }

status=0
compare "$native/bin/libqxlogics.so" "$expected" "$(elf_names "$native/bin/libqxlogics.so")" ||
    status=1
compare "$native/bin/libDorvoLINK.so" "$(printf '%s\n' "$windows_entries" | tr '@' '_' | sort)" \
    "$(elf_names "$native/bin/libDorvoLINK.so" | device_entries)" || status=1
for build in "$@"; do
    compare "$build/bin/qxlogics.dll" "$expected" "$(pe_names "$build/bin/qxlogics.dll")" ||
        status=1
    compare "$build/bin/DorvoLINK.dll" "$windows_entries" \
        "$(pe_names "$build/bin/DorvoLINK.dll" | device_entries)" || status=1
    compare "$build/bin/qxopos.dll" "$com_entries" "$(pe_names "$build/bin/qxopos.dll")" ||
        status=1
    modules=0
    for module in "$build"/bin/*.dll "$build"/bin/*.exe; do
        foreign="$(x86_64-w64-mingw32-objdump -p "$module" |
                   sed -n 's/^[[:space:]]*DLL Name: //p' | grep -Ev "$system_dlls" || true)"
        [ -z "$foreign" ] || { echo "$module imports $foreign"; status=1; }
        modules=$((modules + 1))
    done
    echo "$build/bin: $modules modules import only system DLLs"
done
exit "$status"
