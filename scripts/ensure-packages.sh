#!/usr/bin/env bash
# ensure-packages.sh [demo|test] - installs the Debian packages that the
# demo (a compiler, CMake and Ninja) or the whole test run needs, and only
# those that are missing (apt-get update at most once).
set -euo pipefail

demo_packages=(cmake ninja-build g++)
test_packages=("${demo_packages[@]}" libgtest-dev libgmock-dev libbenchmark-dev
               g++-mingw-w64-x86-64-posix wine wine64 clang libclang-rt-14-dev
               libspdlog-dev valgrind mono-devel nunit-console
               g++-mingw-w64-i686-posix wine32:i386 wine32-preloader:i386 lld-14 llvm-14
               lintian pkg-config dpkg-dev file crossbuild-essential-arm64 qemu-user
               libc6:arm64 libstdc++6:arm64 libgcc-s1:arm64
               libboost-dev nlohmann-json3-dev chromium nodejs
               mosquitto libmosquitto-dev openssl)
# The service stage's browser test installs playwright-core with npm; a
# Node.js that brings its own npm needs no Debian npm (they would conflict).
command -v npm >/dev/null 2>&1 || test_packages+=(npm)
case "${1:-test}" in
    demo) packages=("${demo_packages[@]}") ;;
    test) packages=("${test_packages[@]}") ;;
    *) echo "usage: ensure-packages.sh [demo|test]" >&2; exit 2 ;;
esac
missing=()
for package in "${packages[@]}"; do
    dpkg -s "$package" >/dev/null 2>&1 || missing+=("$package")
done
[ "${#missing[@]}" -eq 0 ] && exit 0

echo "==> installing: ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
# 32-bit Wine comes from the i386 architecture (with its preloader, which
# it needs under qemu-i386, see run-tests.sh); the arm64 C and C++
# libraries, against which dpkg-shlibdeps resolves the arm64 packages'
# dependencies, from arm64.
for arch in i386 arm64; do
    if printf '%s\n' "${missing[@]}" | grep -q ":$arch\$" &&
        ! dpkg --print-foreign-architectures | grep -qx "$arch"; then
        "${sudo_cmd[@]}" dpkg --add-architecture "$arch"
    fi
done
"${sudo_cmd[@]}" apt-get update -q
# With their recommended packages: that is the set the Wine stage is
# known to run with (wine's launcher and its support libraries).
"${sudo_cmd[@]}" apt-get install -y -q "${missing[@]}"
