# common.sh - shared helpers of the build and test scripts: the source
# root, messages, and configuring + building one build folder with Ninja.
# Sourced, not run.

QX_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
QX_JOBS="${QX_JOBS:-2}"

qx_say() { printf '==> %s\n' "$*"; }

# qx_build <folder> <target...|all> -- <cmake configure arguments...>
qx_build() {
    local dir="$1"; shift
    local targets=()
    while [ "$#" -gt 0 ] && [ "$1" != "--" ]; do targets+=("$1"); shift; done
    [ "${1:-}" = "--" ] && shift
    mkdir -p "$dir"
    cmake -S "$QX_ROOT" -B "$dir" -G Ninja "$@" >"$dir/configure.log" 2>&1 || {
        cat "$dir/configure.log"; return 1; }
    if [ "${targets[*]}" = "all" ]; then
        cmake --build "$dir" -j "$QX_JOBS"
    else
        cmake --build "$dir" -j "$QX_JOBS" --target "${targets[@]}"
    fi
}
