#!/usr/bin/env bash
# check-packages.sh - builds the Debian packages and checks them as a user
# of each would:
#   amd64  build-deb/: the packages, lintian, their contents and fields;
#          then installed into this system, a till built against them with
#          pkg-config and with CMake's find_package, a sale built with
#          `pkg-config --cflags --libs qxlogics-simulator` run as it is,
#          the installed `qxtill demo` against the installed simulator,
#          and purged again without a trace
#   arm64  build-deb-arm64/ (Debian's cross toolchain): the same packages,
#          lintian and contents; the interface tests and the packaged
#          `qxtill demo` (callbacks and window) run under qemu-user with
#          Debian's arm64 C and C++ libraries
#   multiarch  the amd64 and arm64 development packages installed side by
#          side (Multi-Arch: same), then purged
# Where this machine keeps a part from running (no root to install, no
# qemu-user), the rest is checked and the reason is written to the file
# named by QX_SKIP_FILE, one line each.
set -uo pipefail
source "$(dirname "$0")/common.sh"

# Every package the build makes, one a line: its name, its Multi-Arch
# field ("no": none), and "dev" when it belongs to the development set that
# installs for two architectures side by side.  Its Debian architecture is
# the build's, or "all" (deb_file).
PACKAGE_TABLE="
libqxlogics1            same    dev
libqxlogics-dev         same    dev
qxlogics-common         foreign dev
qxlogics-simulator      same    dev
qxlogics-simulator-dev  same    dev
qxtill                  no      -"
declare -A MULTI_ARCH=()
PACKAGES=()
DEV_PACKAGES=()
while read -r package multiarch group; do
    [ -n "$package" ] || continue
    PACKAGES+=("$package")
    MULTI_ARCH[$package]="$multiarch"
    [ "$group" = dev ] && DEV_PACKAGES+=("$package")
done <<<"$PACKAGE_TABLE"
# The settings file the driver finds where it is installed, and the three
# settings it must turn on.
SETTINGS_FILE=/etc/qxlogics/qxlogics.ini
VERSION="$(sed -nE 's/^project\(qxlogics VERSION ([0-9.]+) .*/\1/p' "$QX_ROOT/CMakeLists.txt")"
# Each warning lintian may give, with its reason in the README ("Installing
# from the packages"); any other warning or error fails.
LINTIAN_KNOWN_WARNINGS=initial-upload-closes-no-bugs
ARM64_LOADER=/lib/ld-linux-aarch64.so.1

skip() {  # skip <reason>: a part this machine cannot run
    echo "not run: $1"
    [ -n "${QX_SKIP_FILE:-}" ] && printf '%s\n' "$1" >>"$QX_SKIP_FILE"
    return 0
}

fail() { echo "FAILED: $*"; return 1; }

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo -n "$@"; fi
}

# deb_build <folder> <Debian architecture> <cmake arguments...>: a build
# with Debian's hardening flags for that architecture, then its packages.
deb_build() {
    local dir="$1" arch="$2" flag
    shift 2
    local -A flags
    for flag in CFLAGS CXXFLAGS CPPFLAGS LDFLAGS; do
        flags[$flag]="$(DEB_BUILD_MAINT_OPTIONS=hardening=+all DEB_HOST_ARCH="$arch" \
                         dpkg-buildflags --get "$flag")"
    done
    qx_build "$dir" "${DEB_TARGETS[@]}" -- -DCMAKE_BUILD_TYPE=None -DQX_DEBIAN_PACKAGES=ON \
        -DQX_BUILD_BENCH=OFF "$@" \
        "-DCMAKE_C_FLAGS=${flags[CFLAGS]} ${flags[CPPFLAGS]}" \
        "-DCMAKE_CXX_FLAGS=${flags[CXXFLAGS]} ${flags[CPPFLAGS]}" \
        "-DCMAKE_SHARED_LINKER_FLAGS=${flags[LDFLAGS]}" \
        "-DCMAKE_EXE_LINKER_FLAGS=${flags[LDFLAGS]}" || return 1
    rm -f "$dir"/*.deb
    (cd "$dir" && cpack) >"$dir/cpack.log" 2>&1 || { cat "$dir/cpack.log"; return 1; }
    echo "built $(find "$dir" -maxdepth 1 -name '*.deb' -printf '%f ')"
}

deb_file() {  # <folder> <package> <arch>: that architecture's, else the "all" one
    local deb="$1/${2}_${VERSION}-1_${3}.deb"
    [ -f "$deb" ] || [ ! -f "$1/${2}_${VERSION}-1_all.deb" ] || deb="$1/${2}_${VERSION}-1_all.deb"
    echo "$deb"
}

run_lintian() {  # run_lintian <folder>
    local out status
    out="$(lintian --fail-on error,warning --suppress-tags "$LINTIAN_KNOWN_WARNINGS" \
           "$1"/*.deb 2>&1)"
    status=$?
    out="$(printf '%s\n' "$out" | grep -v 'running with root privileges')"
    [ -n "$out" ] && printf '%s\n' "$out"
    [ "$status" -eq 0 ] || fail "lintian on $1" || return 1
    echo "lintian: no errors or warnings beyond $LINTIAN_KNOWN_WARNINGS"
}

# What each package must hold (<package> <path>, @MA@ the multiarch folder),
# and what none may: the simulator anywhere the loader searches by itself.
EXPECTED_FILES="
libqxlogics1 ./usr/lib/@MA@/libqxlogics.so.1
libqxlogics1 ./usr/lib/@MA@/libqxlogics.so.$VERSION
libqxlogics-dev ./usr/include/qxlogics.h
libqxlogics-dev ./usr/lib/@MA@/libqxlogics.so
libqxlogics-dev ./usr/lib/@MA@/pkgconfig/qxlogics.pc
libqxlogics-dev ./usr/lib/@MA@/cmake/qxlogics/qxlogicsConfig.cmake
qxlogics-common .$SETTINGS_FILE
qxlogics-simulator ./usr/lib/@MA@/qxlogics/simulator/libDorvoLINK.so
qxlogics-simulator-dev ./usr/include/qxsim.h
qxlogics-simulator-dev ./usr/lib/@MA@/pkgconfig/qxlogics-simulator.pc
qxlogics-simulator-dev ./usr/lib/@MA@/cmake/qxlogics/qxlogicsSimulatorTargets.cmake
qxlogics-simulator-dev ./usr/share/doc/qxlogics-simulator-dev/README.md
qxlogics-simulator ./usr/share/doc/qxlogics-simulator/examples/qxlogics.ini
qxlogics-simulator ./usr/share/doc/qxlogics-simulator/examples/qxlang.ini
qxtill ./usr/bin/qxtill
qxtill ./usr/share/man/man1/qxtill.1.gz"

contents() { dpkg-deb -c "$(deb_file "$@")" 2>/dev/null | awk '{ print $6 }'; }  # <folder> <package> <arch>

check_contents() {  # check_contents <folder> <Debian architecture> <multiarch>
    local dir="$1" arch="$2" ma="$3" package path deb status=0 soname field
    for package in "${PACKAGES[@]}"; do
        deb="$(deb_file "$dir" "$package" "$arch")"
        [ -f "$deb" ] || { fail "no $deb"; status=1; continue; }
        [[ "$(dpkg-deb -f "$deb" Architecture)" =~ ^($arch|all)$ ]] ||
            { fail "$package is not for $arch"; status=1; }
        field="$(dpkg-deb -f "$deb" Multi-Arch)"
        [ "${field:-no}" = "${MULTI_ARCH[$package]}" ] ||
            { fail "$package has Multi-Arch '${field:-no}', not '${MULTI_ARCH[$package]}'"; status=1; }
        grep -qF 'QXLogics developers <developers@qxlogics.org>' <<<"$(dpkg-deb -f "$deb" Maintainer)" ||
            { fail "$package has the maintainer '$(dpkg-deb -f "$deb" Maintainer)'"; status=1; }
        [ "$(dpkg-deb --fsys-tarfile "$deb" | tar -xOf - "./usr/share/doc/$package/copyright" |
             sed -n 's/^License: //p' | sort -u)" = "$(sed -n '1s/ License$//p' "$QX_ROOT/LICENSE")" ] ||
            { fail "$package's copyright does not state the licence of LICENSE"; status=1; }
        for path in copyright changelog.Debian.gz; do
            grep -qx "./usr/share/doc/$package/$path" <<<"$(contents "$dir" "$package" "$arch")" ||
                { fail "$package lacks /usr/share/doc/$package/$path"; status=1; }
        done
    done
    while read -r package path; do
        [ -n "$package" ] || continue
        path="${path//@MA@/$ma}"
        grep -qxF "$path" <<<"$(contents "$dir" "$package" "$arch")" ||
            { fail "$package lacks $path"; status=1; }
    done <<<"$EXPECTED_FILES"
    if [ -n "$(grep libDorvoLINK <<<"$(contents "$dir" qxlogics-simulator "$arch")" |
               grep -v /qxlogics/simulator/)" ]; then
        fail "the simulator lies outside its private folder"; status=1
    fi
    soname="$(readelf -d "$dir/bin/libqxlogics.so" | sed -nE 's/.*SONAME.*\[(.*)\]/\1/p')"
    [ "$soname" = libqxlogics.so.1 ] || { fail "SONAME is '$soname'"; status=1; }
    deb="$(deb_file "$dir" libqxlogics1 "$arch")"
    grep -q 'libc6 (>=' <<<"$(dpkg-deb -f "$deb" Depends)" ||
        { fail "no libc6 dependency"; status=1; }
    grep -qx 'activate-noawait ldconfig' <<<"$(dpkg-deb --ctrl-tarfile "$deb" | tar -xOf - ./triggers)" ||
        { fail "libqxlogics1 does not activate the ldconfig trigger"; status=1; }
    grep -qF "qxlogics-common (= $VERSION-1)" <<<"$(dpkg-deb -f "$deb" Depends)" ||
        { fail "libqxlogics1 does not depend on qxlogics-common"; status=1; }
    deb="$(deb_file "$dir" qxtill "$arch")"
    grep -qF "libqxlogics1 (= $VERSION-1)" <<<"$(dpkg-deb -f "$deb" Depends)" ||
        { fail "qxtill does not depend on its libqxlogics1"; status=1; }
    deb="$(deb_file "$dir" qxlogics-common "$arch")"
    [ "$(dpkg-deb --ctrl-tarfile "$deb" | tar -xOf - ./conffiles)" = "$SETTINGS_FILE" ] ||
        { fail "qxlogics-common does not mark $SETTINGS_FILE as its conffile"; status=1; }
    for field in PayOutOkCheck ChangeOkCheck RegretOkCheck; do
        grep -qx "$field=1" <<<"$(dpkg-deb --fsys-tarfile "$deb" | tar -xOf - ".$SETTINGS_FILE")" ||
            { fail "$SETTINGS_FILE does not set $field=1"; status=1; }
    done
    [ "$status" -eq 0 ] && echo "$arch packages hold what they should"
    return "$status"
}

# Every installed instance of our packages, each architecture's (qxd
# too, which scripts/check-qxd-package.sh installs).
installed_ours() { dpkg-query -W -f '${binary:Package} ${db:Status-Status}\n' "${PACKAGES[@]}" qxd 2>/dev/null |
                   awk '$2 != "not-installed" && $2 != "" { print $1 }'; }
purge_ours() {
    local installed
    mapfile -t installed < <(installed_ours)
    [ "${#installed[@]}" -eq 0 ] || as_root dpkg --purge "${installed[@]}" >/dev/null 2>&1 || true
}

# The README's session example, as a new user copies it.
readme_session() { awk '/^```c$/ { on = 1; next } /^```$/ { on = 0 } on' "$QX_ROOT/README.md"; }

# A till against the installed packages: main.c by pkg-config and by
# find_package, the README's session by find_package with the simulator
# linked; qxtill demo from /usr/bin.  The driver finds the simulator only
# where LD_LIBRARY_PATH points.
use_installed() {  # use_installed <work folder> <simulator folder>
    local work="$1" sim="$2" program
    local consumer="$QX_ROOT/tests/apps/consumer"
    mkdir -p "$work/logs" "$work/session"
    export QXLOGS="$work/logs"
    [ "$(pkg-config --modversion qxlogics)" = "$VERSION" ] || fail "pkg-config version" || return 1
    # shellcheck disable=SC2046
    cc -Wall -Wextra -Werror -o "$work/qxconsumer_pc" "$consumer/main.c" \
        $(pkg-config --cflags --libs qxlogics) || fail "building by pkg-config" || return 1
    readme_session >"$work/session/till.c"
    cmake -S "$consumer" -B "$work/cmake" -G Ninja -DQX_SESSION_SOURCE="$work/session/till.c" \
        >"$work/cmake.log" 2>&1 && cmake --build "$work/cmake" >>"$work/cmake.log" 2>&1 ||
        { cat "$work/cmake.log"; fail "building by find_package(qxlogics)"; return 1; }
    if [ -z "$(ldconfig -p | grep -F libDorvoLINK.so)" ]; then
        if "$work/qxconsumer_pc" >"$work/no_device.log" 2>&1 ||
            ! grep -q "Failed to get dll handle" "$work/no_device.log"; then
            cat "$work/no_device.log"; fail "the driver found a device library by itself"; return 1
        fi
        echo "without LD_LIBRARY_PATH the driver finds no device library, as it should"
    fi
    for program in "$work/qxconsumer_pc" "$work/cmake/qxconsumer" "$work/cmake/qxconsumer_asan"; do
        [ -x "$program" ] || continue
        LD_LIBRARY_PATH="$sim" "$program" >"$program.log" 2>&1 ||
            { cat "$program.log"; fail "$program"; return 1; }
        echo "ran $(basename "$program") against the installed simulator"
    done
    # The session links the simulator: the driver takes the module loaded.
    "$work/cmake/qxsession" >"$work/qxsession.log" 2>&1 ||
        { cat "$work/qxsession.log"; fail "the README's session"; return 1; }
    echo "ran the README's session (simulator linked)"
    sale_by_pkg_config "$work" || return 1
    LD_LIBRARY_PATH="$sim" qxtill demo >"$work/qxtill.log" 2>&1 ||
        { tail -40 "$work/qxtill.log"; fail "qxtill demo"; return 1; }
    grep -qx "Device library: libDorvoLINK.so" "$work/qxtill.log" ||
        fail "qxtill demo did not find the simulator" || return 1
    echo "ran the installed qxtill demo against the installed simulator"
}

# The README's sale built with the simulator's pkg-config flags, run as it
# is (its run path finds the simulator) from a folder without settings: the
# driver reads the packaged settings file, names itself in its banner and
# finds no OK check off.
sale_by_pkg_config() {  # sale_by_pkg_config <work folder>
    local work="$1" run="$1/sale" line
    mkdir -p "$run/logs"
    # shellcheck disable=SC2046
    cc -Wall -Wextra -Werror -o "$run/qxsale" "$work/session/till.c" \
        $(pkg-config --cflags --libs qxlogics-simulator) ||
        fail "building the sale by pkg-config qxlogics-simulator" || return 1
    (cd "$run" && QXLOGS="$run/logs" ./qxsale >"$run/qxsale.log" 2>&1) ||
        { cat "$run/qxsale.log"; fail "the sale built by pkg-config qxlogics-simulator"; return 1; }
    grep -qx "amountDueQX: 0 Done" "$run/qxsale.log" ||
        { cat "$run/qxsale.log"; fail "the sale was not settled"; return 1; }
    for line in "Library Name: libqxlogics.so.1" "Library Version: $VERSION.0" \
        "CQXLogics::getIniFileSettings: About to read settings from configuration file: $SETTINGS_FILE" \
        "CQXLogics::getIniFileSettings: PayOutOkCheck: 1 (from ini file)"; do
        grep -qF "## $line" "$run"/logs/qxlogic_*.log || fail "the driver did not log \"$line\"" ||
            return 1
    done
    ! grep -qF "OK checks off" "$run"/logs/qxlogic_*.log || fail "an OK check is off" || return 1
    echo "ran a sale built with pkg-config qxlogics-simulator; the driver read $SETTINGS_FILE"
}

# Every file and link dpkg listed for our packages is gone, and so is each
# listed folder that emptied and that no other package owns.
check_purged() {  # check_purged <file of dpkg -L lines>
    local path status=0
    while read -r path; do
        if [ -d "$path" ] && [ ! -L "$path" ]; then
            [ -z "$(ls -A "$path")" ] && ! dpkg -S "$path" >/dev/null 2>&1 &&
                { fail "left after purge: the empty folder $path"; status=1; }
        elif [ -e "$path" ] || [ -L "$path" ]; then
            fail "left after purge: $path"; status=1
        fi
    done <"$1"
    grep -qF libqxlogics.so <<<"$(ldconfig -p)" && { fail "ldconfig still lists libqxlogics"; status=1; }
    [ "$status" -eq 0 ] && echo "purged: none of the $(wc -l <"$1") listed paths of ours is left"
    return "$status"
}

install_and_use() {  # install_and_use <folder>
    local dir="$1" work="$1/installed" status=0 debs=() package sim
    sim="/usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)/qxlogics/simulator"
    if [ "$(id -u)" -ne 0 ] && ! sudo -n true 2>/dev/null; then
        skip "installing packages needs root (or sudo without a password)"; return 0
    fi
    for package in "${PACKAGES[@]}"; do debs+=("$(deb_file "$dir" "$package" amd64)"); done
    rm -rf "$work" && mkdir -p "$work"
    purge_ours
    as_root dpkg -i "${debs[@]}" >"$work/dpkg.log" 2>&1 ||
        { cat "$work/dpkg.log"; purge_ours; fail "dpkg -i"; return 1; }
    echo "installed ${PACKAGES[*]}"
    grep -qF 'libqxlogics.so.1 ' <<<"$(ldconfig -p)" ||
        { fail "ldconfig does not list libqxlogics.so.1"; status=1; }
    dpkg -L "${PACKAGES[@]}" | sort -u >"$work/listed.txt"
    (use_installed "$work" "$sim") || status=1
    # shellcheck disable=SC2046
    as_root dpkg --purge $(installed_ours) >>"$work/dpkg.log" 2>&1 ||
        { cat "$work/dpkg.log"; fail "dpkg --purge"; return 1; }
    check_purged "$work/listed.txt" || status=1
    return "$status"
}

amd64() {
    local dir="$QX_ROOT/build-deb"
    DEB_TARGETS=(all)
    deb_build "$dir" amd64 -DQX_BUILD_TESTS=OFF -DQX_BUILD_SERVICE=ON || return 1
    run_lintian "$dir" || return 1
    check_contents "$dir" amd64 "$(dpkg-architecture -qDEB_HOST_MULTIARCH)" || return 1
    install_and_use "$dir" || return 1
    # The till service's package qxd, installed, started and purged on its own.
    [ "$(id -u)" -eq 0 ] || sudo -n true 2>/dev/null || return 0
    "$QX_ROOT/scripts/check-qxd-package.sh" "$dir"
}

# qemu-user runs arm64 programs with the libraries of Debian's arm64
# architecture (libc6:arm64, libstdc++6:arm64, in multiarch folders).
qemu_runs() { qemu-aarch64 "$ARM64_LOADER" --version >/dev/null 2>&1; }

arm64() {
    local dir="$QX_ROOT/build-deb-arm64" root mode status=0
    local ma=aarch64-linux-gnu
    # Only what the packages and the emulated tests need.  (The till's
    # tests start the till, which an emulated program cannot.)
    DEB_TARGETS=(qxlogics DorvoLINK qxtill qx_api_tests)
    if ! command -v aarch64-linux-gnu-g++ >/dev/null || ! dpkg -s libstdc++6:arm64 >/dev/null 2>&1; then
        skip "no arm64 cross toolchain or arm64 C++ library here (crossbuild-essential-arm64, libstdc++6:arm64)"
        return 0
    fi
    deb_build "$dir" arm64 -DCMAKE_TOOLCHAIN_FILE="$QX_ROOT/cmake/aarch64-linux-gnu.cmake" ||
        return 1
    run_lintian "$dir" || status=1
    check_contents "$dir" arm64 "$ma" || status=1
    if ! command -v qemu-aarch64 >/dev/null || ! qemu_runs; then
        skip "qemu-aarch64 cannot run arm64 programs on this machine (built and checked, not run)"
        return "$status"
    fi
    QXLOGS="$dir/test-logs" ctest --test-dir "$dir" -R '^qx_api_tests$' --output-on-failure ||
        status=1
    # The packaged till, unpacked as dpkg would place it, against the packaged simulator.
    root="$dir/unpacked"
    rm -rf "$root" && mkdir -p "$root/logs"
    for package in libqxlogics1 qxlogics-simulator qxtill; do
        dpkg-deb -x "$(deb_file "$dir" "$package" arm64)" "$root" || status=1
    done
    for mode in --callbacks --window; do
        if qemu-aarch64 -E "QXLOGS=$root/logs" \
            -E "LD_LIBRARY_PATH=$root/usr/lib/$ma:$root/usr/lib/$ma/qxlogics/simulator" \
            "$root/usr/bin/qxtill" demo "$mode" >"$root/qxtill$mode.log" 2>&1 &&
            grep -qx "Device library: libDorvoLINK.so" "$root/qxtill$mode.log"; then
            echo "ran the packaged arm64 qxtill demo $mode under qemu-aarch64"
        else
            tail -40 "$root/qxtill$mode.log"; fail "arm64 qxtill demo $mode"; status=1
        fi
    done
    return "$status"
}

# The development packages of both architectures at once: Multi-Arch: same
# lets dpkg install them side by side (the settings package, Multi-Arch:
# foreign, serves both), and each architecture's pkg-config finds its own
# flags.  Purged again.
multiarch() {
    local amd="$QX_ROOT/build-deb" arm="$QX_ROOT/build-deb-arm64" work debs=() package arch
    local status=0 libdir
    if [ "$(id -u)" -ne 0 ] && ! sudo -n true 2>/dev/null; then
        skip "installing packages needs root (or sudo without a password)"; return 0
    fi
    if [ ! -f "$(deb_file "$arm" libqxlogics-dev arm64)" ]; then
        skip "no arm64 packages to install beside the amd64 ones"; return 0
    fi
    work="$amd/multiarch"
    rm -rf "$work" && mkdir -p "$work"
    for package in "${DEV_PACKAGES[@]}"; do
        debs+=("$(deb_file "$amd" "$package" amd64)")
        [ "${MULTI_ARCH[$package]}" = same ] && debs+=("$(deb_file "$arm" "$package" arm64)")
    done
    purge_ours
    as_root dpkg -i "${debs[@]}" >"$work/dpkg.log" 2>&1 ||
        { cat "$work/dpkg.log"; purge_ours; fail "installing amd64 and arm64 side by side"; return 1; }
    for package in "${DEV_PACKAGES[@]}"; do
        [ "${MULTI_ARCH[$package]}" = same ] || continue
        for arch in amd64 arm64; do
            [ "$(dpkg-query -W -f '${db:Status-Status}' "$package:$arch" 2>/dev/null)" = installed ] ||
                { fail "$package:$arch is not installed"; status=1; }
        done
    done
    for arch in x86_64-linux-gnu aarch64-linux-gnu; do
        libdir="$(PKG_CONFIG_PATH='' PKG_CONFIG_LIBDIR="/usr/lib/$arch/pkgconfig" \
                  pkg-config --variable=libdir qxlogics-simulator)"
        [ "$libdir" = "/usr/lib/$arch/qxlogics/simulator" ] ||
            { fail "pkg-config for $arch gives the simulator's folder '$libdir'"; status=1; }
    done
    [ "$status" -eq 0 ] && echo "installed side by side for amd64 and arm64: ${DEV_PACKAGES[*]}"
    purge_ours
    [ -z "$(installed_ours)" ] || { fail "left installed: $(installed_ours | xargs)"; status=1; }
    return "$status"
}

status=0
parts=("$@")
[ "${#parts[@]}" -gt 0 ] || parts=(amd64 arm64 multiarch)
for part in "${parts[@]}"; do
    qx_say "packages: $part"
    "$part" || status=1
done
exit "$status"
