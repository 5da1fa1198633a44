#!/usr/bin/env bash
# run-tests.sh - builds everything and runs every test, stage by stage:
#   native    gcc build, all tests (ctest, parallel)
#   asan      clang with address+undefined sanitizers and the fuzz
#             harnesses, all tests, then each harness for a bounded time
#   tsan      thread-sanitizer build, all tests
#   telemetry qxd with its MQTT publisher: the telemetry tests, each
#             against a Mosquitto broker of its own on a free loopback
#             port, and the fleet example's programs built
#   memcheck  valgrind on the end-to-end tests of the native build (the
#             exported interface, the demo till's tests, the short soak,
#             the demo itself)
#   windows   MinGW-w64 cross build, every test program under Wine
#   windows32 the same for x86 under 32-bit Wine, with the stack check
#   exports   every build exports exactly the 29 functions, each
#             simulator the three device entries; Windows modules import
#             only system DLLs
#   sdk       the Windows SDK archive, unpacked and its x86 demo run
#   opos      the OPOS service object: registered by regsvr32 and driven
#             by its stand-in control object under Wine, from a folder of
#             its own, against the simulator
#   dotnet    the C# binding (mono): its NUnit tests and the C# sample
#             against the native build's driver and simulator
#   service   qxd, the till service: its socket tests, the web till in
#             headless Chromium against the simulator (playwright-core from
#             npm, tests/service/e2e), and its request fuzz harness
#   packages  the Debian packages for amd64 and arm64 (cross): lintian;
#             amd64 installed, built against (pkg-config, CMake), run and
#             purged; arm64 tests and the packaged till under qemu-user
# Every stage runs even when an earlier one failed; one summary line per
# stage closes the output, and any failure fails the whole run.  A stage
# that the machine, not the code, keeps from running a part of its work
# builds and checks what it can and reports SKIPPED with the reason: some
# kernels cannot run 32-bit programs at all, and then the x86 programs run
# under qemu-i386 (x86.sh) or, where that is refused too, are built and
# checked but not run.
set -uo pipefail
source "$(dirname "$0")/common.sh"
source "$(dirname "$0")/x86.sh"

FUZZ_SECONDS="${QX_FUZZ_SECONDS:-5}"
WINE="${QX_WINE:-/usr/lib/wine/wine64}"
WINESERVER="${QX_WINESERVER:-$(command -v wineserver || echo /usr/lib/wine/wineserver64)}"
WINE32="$X86_WINE_LOADER"
WINESERVER32="${QX_WINESERVER32:-/usr/lib/wine/wineserver32}"
BUILD="$QX_ROOT/build"
# The simulated device answers at once, without line pacing or busy time,
# unless a test asks for them.
export QXSIM_MS_PER_CHAR="${QXSIM_MS_PER_CHAR:-0}" QXSIM_BUSY_MS="${QXSIM_BUSY_MS:-0}"
declare -a SUMMARY=()
FAILED=0

# skip_stage <reason>: called by a stage that passes what it could check
# and could not run the rest on this machine.
skip_stage() { SKIP_REASON="$1"; }

# x86_runs_here: whether this machine runs the x86 programs, judged at the
# first stage that asks (x86.sh); the stage's summary line then says how,
# or X86_WHY why not.
x86_runs_here() {
    x86_judge
    [ "$X86_RUNNER" = none ] && return 1
    STAGE_NOTE="$X86_HOW"
}

stage() {  # stage <name> <function>
    local name="$1" start=$SECONDS result
    SKIP_REASON="" STAGE_NOTE=""
    qx_say "stage $name"
    if ! "$2"; then
        result=FAIL; FAILED=1
    elif [ -n "$SKIP_REASON" ]; then
        result="SKIPPED: $SKIP_REASON"
    else
        result=PASS
    fi
    SUMMARY+=("$(printf '%-9s %s (%s%ds)' "$name" "$result" "${STAGE_NOTE:+$STAGE_NOTE, }" \
        $((SECONDS - start)))")
    qx_say "stage $name: $result"
}

native() {
    qx_build "$BUILD" all -- -DCMAKE_BUILD_TYPE=Release &&
        ctest --test-dir "$BUILD" -j "$QX_JOBS" --output-on-failure
}

telemetry() {
    local dir="$QX_ROOT/build-service"
    qx_build "$dir" qxd qx_telemetry_tests fleet-table fleet-driver -- \
        -DCMAKE_BUILD_TYPE=Release -DQX_BUILD_SERVICE=ON -DQX_BUILD_BENCH=OFF &&
        ctest --test-dir "$dir" -j "$QX_JOBS" --output-on-failure -L telemetry
}

fuzz_one() {  # fuzz_one <harness>: a bounded run on its own corpus folder
    local corpus="$FUZZ_DIR/$(basename "$1")"
    mkdir -p "$corpus"
    # libFuzzer's main comes before the shared sanitizer runtime in the
    # harness's library list: preload the runtime so that it is first.
    if LD_PRELOAD="$FUZZ_RUNTIME" "$1" -max_total_time="$FUZZ_SECONDS" -print_final_stats=0 \
        "$corpus" >"$corpus.log" 2>&1; then
        echo "fuzzed $(basename "$1") for ${FUZZ_SECONDS}s: no finding"
    else
        tail -40 "$corpus.log"; return 1
    fi
}

run_fuzzers() {  # two harnesses at a time, one per core
    local harnesses=("$1"/bin/fuzz_*) status=0 pids=() pid
    [ -x "${harnesses[0]}" ] || { echo "no fuzz harnesses built"; return 0; }
    FUZZ_DIR="$1/fuzz-corpus"
    FUZZ_RUNTIME="$(clang++ -print-file-name=libclang_rt.asan-x86_64.so)"
    for harness in "${harnesses[@]}"; do
        fuzz_one "$harness" & pids+=($!)
        if [ "${#pids[@]}" -ge "$QX_JOBS" ]; then
            wait "${pids[0]}" || status=1; pids=("${pids[@]:1}")
        fi
    done
    for pid in "${pids[@]}"; do wait "$pid" || status=1; done
    return "$status"
}

asan() {
    local dir="$QX_ROOT/build-asan"
    CC=clang CXX=clang++ qx_build "$dir" all -- -DCMAKE_BUILD_TYPE= \
        "-DCMAKE_CXX_FLAGS=-O1 -gline-tables-only" -DQX_SANITIZE=address,undefined \
        -DQX_FUZZ=ON -DQX_BUILD_BENCH=OFF || return 1
    # The install-and-consume case builds a plain program against the
    # instrumented library, which cannot load without the sanitizer
    # runtime; the native stage runs it.
    ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
        ctest --test-dir "$dir" -j "$QX_JOBS" --output-on-failure \
        -E '^qx_install_consumer$' || return 1
    run_fuzzers "$dir"
}

tsan() {
    local dir="$QX_ROOT/build-tsan"
    qx_build "$dir" all -- -DCMAKE_BUILD_TYPE= "-DCMAKE_CXX_FLAGS=-O1 -g1" \
        -DQX_SANITIZE=thread -DQX_BUILD_BENCH=OFF || return 1
    # Without address randomisation: the sanitizer's fixed shadow layout
    # does not meet the kernel's mappings then.  The install-and-consume
    # case builds a plain program against the instrumented library.
    TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
        setarch "$(uname -m)" -R ctest --test-dir "$dir" -j "$QX_JOBS" \
        --output-on-failure -E '^qx_install_consumer$'
}

memcheck_one() {  # memcheck_one <log name> <program> <arguments...>
    local log="$BUILD/memcheck/$1.log"; shift
    if valgrind -q --leak-check=full --errors-for-leak-kinds=definite,indirect \
        --error-exitcode=1 "$@" >"$log" 2>&1; then
        echo "memcheck $(basename "$1"): clean"
    else
        tail -60 "$log"; return 1
    fi
}

memcheck() {
    local bin="$BUILD/bin" status=0
    [ -x "$bin/qx_api_tests" ] || { echo "no native build to check"; return 1; }
    rm -rf "$BUILD/memcheck" && mkdir -p "$BUILD/memcheck/logs"
    memcheck_one api "$bin/qx_api_tests" --gtest_brief=1 || status=1
    memcheck_one apps "$bin/qx_apps_tests" --gtest_brief=1 || status=1
    memcheck_one soak "$bin/qx_soak_tests" --gtest_brief=1 || status=1
    # The till picks its log folder by starting itself afresh, which a
    # program under valgrind cannot do: it is given the folder instead.
    QXLOGS="$BUILD/memcheck/logs" memcheck_one demo "$bin/qxtill" demo || status=1
    return "$status"
}

# wine_session <build folder> <wine> <wineserver> <win64|win32> <command...>:
# runs the command with the build's own Wine prefix and one persistent
# wine server, stopped afterwards.
wine_session() {
    local dir="$1" wine="$2" server="$3" status
    local -x WINEPREFIX="$1/wineprefix" WINEARCH="$4" WINEDEBUG=-all
    shift 4
    mkdir -p "$WINEPREFIX"
    "$server" -p
    "$wine" wineboot --init >/dev/null 2>&1
    "$@"
    status=$?
    "$server" -k 2>/dev/null
    return "$status"
}

# wine32_session <folder> <command...>: wine_session of 32-bit Wine with
# <folder>/wineprefix, a win32 prefix of the stage's own; its server,
# wineboot and every program of the session run as x86 programs run here.
export -f wine_session
wine32_session() {
    x86_run bash -c 'wine_session "$@"' wine32_session \
        "$1" "$WINE32" "$WINESERVER32" win32 "${@:2}"
}

# The DLLs, the simulator and the till are built as shipped in the SDK
# (optimised; the test programs themselves are not).
windows_build() {  # windows_build <build folder> <toolchain file> <wine> [target...]
    local targets=("${@:4}")
    qx_build "$1" "${targets[@]:-all}" -- -DCMAKE_TOOLCHAIN_FILE="$QX_ROOT/cmake/$2" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_CROSSCOMPILING_EMULATOR="$3" -DQX_BUILD_BENCH=OFF
}

windows() {
    local dir="$QX_ROOT/build-win"
    windows_build "$dir" mingw-w64.cmake "$WINE" &&
        wine_session "$dir" "$WINE" "$WINESERVER" win64 \
            ctest --test-dir "$dir" -j "$QX_JOBS" --output-on-failure
}

# What the x86 build ships, and its stack check: all that is built where
# the machine cannot run the test programs.
X86_SHIPPED=(qxlogics DorvoLINK qxtill qxopos qx_stack_check)

windows32() {
    local dir="$QX_ROOT/build-win32"
    if ! x86_runs_here; then
        windows_build "$dir" mingw-w64-i686.cmake "$WINE32" "${X86_SHIPPED[@]}" || return 1
        echo "built the x86 ${X86_SHIPPED[*]}; not run"
        skip_stage "$X86_WHY"
        return 0
    fi
    windows_build "$dir" mingw-w64-i686.cmake "$WINE32" &&
        wine32_session "$dir" ctest --test-dir "$dir" -j "$QX_JOBS" --output-on-failure
}

exports() {
    # The native library and simulator, when the native stage did not build them.
    qx_build "$BUILD" qxlogics DorvoLINK -- -DCMAKE_BUILD_TYPE=Release || return 1
    "$QX_ROOT/scripts/check-exports.sh" "$BUILD" "$QX_ROOT/build-win" "$QX_ROOT/build-win32"
}

# The archive is checked as a vendor unpacks it; its programs run under
# the Wine of their architecture.
sdk() {
    local zip check="$QX_ROOT/scripts/check-sdk.sh"
    zip="$("$QX_ROOT/scripts/make-sdk.sh" "$QX_ROOT/build-win" "$QX_ROOT/build-win32" \
        "$QX_ROOT/build-sdk")" || return 1
    "$check" unpack "$zip" || return 1
    wine_session "$QX_ROOT/build-win" "$WINE" "$WINESERVER" win64 \
        "$check" run "$zip" x64 "$WINE" || return 1
    if ! x86_runs_here; then
        skip_stage "$X86_WHY; the archive and its x64 programs were checked, the x86 ones not run"
        return 0
    fi
    wine32_session "$QX_ROOT/build-sdk" "$check" run "$zip" x86 "$WINE32"
}

# The stand-in control object runs from opos-field/till/, the service
# object and the driver sit in opos-field/OPOS/ (laid out by the build).
opos_standin() {  # opos_standin <build folder> <wine>
    (cd "$1/opos-field/till" && "$2" ./qx_opos_tests.exe)
}
export -f opos_standin

opos() {
    local x64="$QX_ROOT/build-win" x86="$QX_ROOT/build-win32"
    windows_build "$x64" mingw-w64.cmake "$WINE" qx_opos_tests || return 1
    wine_session "$x64" "$WINE" "$WINESERVER" win64 opos_standin "$x64" "$WINE" || return 1
    if ! x86_runs_here; then
        windows_build "$x86" mingw-w64-i686.cmake "$WINE32" qxopos || return 1
        skip_stage "$X86_WHY; the x64 run passed, the x86 service object was built, not run"
        return 0
    fi
    windows_build "$x86" mingw-w64-i686.cmake "$WINE32" qx_opos_tests &&
        wine32_session "$x86/opos-wine" opos_standin "$x86" "$WINE32"
}

# The binding's assemblies go beside libqxlogics.so, where P/Invoke finds
# it as Windows finds qxlogics.dll in the application's folder.
dotnet() {
    local bin="$BUILD/bin" work="$BUILD/dotnet"
    qx_build "$BUILD" qxlogics DorvoLINK -- -DCMAKE_BUILD_TYPE=Release &&
        "$QX_ROOT/bindings/dotnet/build.sh" "$bin" || return 1
    rm -rf "$work" && mkdir -p "$work" || return 1
    (cd "$work" && nunit-console -nologo -work="$work" "$bin/QXLogics.Net.Tests.dll") || return 1
    (cd "$work" && QXLOGS="$work/logs" mono "$bin/FirstSale.exe")
}

# The service and its tests in their own build folder; the fuzz harness of
# its requests in a clang one of its own (the asan stage builds no service).
service() {
    local dir="$QX_ROOT/build-service" fuzz="$QX_ROOT/build-service-fuzz"
    local e2e="$QX_ROOT/tests/service/e2e"
    qx_build "$dir" qxd qx_service_tests qxd_e2e_host -- -DCMAKE_BUILD_TYPE=Release \
        -DQX_BUILD_SERVICE=ON -DQX_BUILD_BENCH=OFF || return 1
    ctest --test-dir "$dir" -j "$QX_JOBS" --output-on-failure -L '^service$' || return 1
    (cd "$e2e" && npm ci --no-audit --no-fund --loglevel=error) || return 1
    node "$e2e/till.e2e.mjs" "$dir/bin/qxd_e2e_host" "$dir/web-till.png" || return 1
    CC=clang CXX=clang++ qx_build "$fuzz" fuzz_qxd_requests -- -DCMAKE_BUILD_TYPE= \
        "-DCMAKE_CXX_FLAGS=-O1 -gline-tables-only" -DQX_SANITIZE=address,undefined \
        -DQX_FUZZ=ON -DQX_BUILD_SERVICE=ON -DQX_BUILD_BENCH=OFF -DQX_BUILD_TESTS=OFF \
        -DQX_BUILD_APPS=OFF || return 1
    FUZZ_DIR="$fuzz/fuzz-corpus" FUZZ_RUNTIME="$(clang++ -print-file-name=libclang_rt.asan-x86_64.so)" \
        fuzz_one "$fuzz/bin/fuzz_qxd_requests"
}

# The packages stage installs its packages into this system and purges
# them again (scripts/check-packages.sh).
packages() {
    local skips="$QX_ROOT/build-deb/skipped.txt" reasons
    mkdir -p "$QX_ROOT/build-deb" && rm -f "$skips"
    QX_SKIP_FILE="$skips" "$QX_ROOT/scripts/check-packages.sh" || return 1
    if [ -s "$skips" ]; then
        reasons="$(paste -sd';' "$skips")"
        skip_stage "${reasons//;/; }"
    fi
    return 0
}

stages="${*:-native memcheck asan tsan windows windows32 exports sdk opos dotnet service telemetry packages}"
for name in $stages; do stage "$name" "$name"; done

echo
qx_say "summary"
for line in "${SUMMARY[@]}"; do echo "$line"; done
[ "$FAILED" -eq 0 ] && echo "all stages passed" || echo "some stages failed"
exit "$FAILED"
