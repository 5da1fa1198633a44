#!/usr/bin/env bash
# check-exports.sh <libqxlogics.so> <qxlogics.dll> - both libraries export
# exactly the functions declared in include/qxlogics.h: no more, no fewer.
set -euo pipefail
source "$(dirname "$0")/common.sh"

so="$1"; dll="$2"
expected="$(grep -oE 'QXAPI [A-Za-z0-9_]+\(' "$QX_ROOT/include/qxlogics.h" |
            sed -E 's/QXAPI ([A-Za-z0-9_]+)\(/\1/' | sort)"
count="$(printf '%s\n' "$expected" | grep -c .)"

compare() {  # compare <what> <actual names>
    if [ "$2" = "$expected" ]; then
        echo "$1: the $count exports of qxlogics.h"
    else
        echo "$1: exports differ from qxlogics.h (< header, > library):"
        diff <(printf '%s\n' "$expected") <(printf '%s\n' "$2") || true
        return 1
    fi
}

status=0
so_names="$(nm -D --defined-only "$so" | awk 'NF >= 3 { print $3 }' | sed 's/@.*//' | sort -u)"
compare "$so" "$so_names" || status=1
dll_names="$(x86_64-w64-mingw32-objdump -p "$dll" |
             awk '/\[Ordinal\/Name Pointer\] Table/ { inside = 1; next }
                  inside && NF == 0 { inside = 0 }
                  inside { print $NF }' | sort -u)"
compare "$dll" "$dll_names" || status=1
exit "$status"
