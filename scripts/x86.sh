# x86.sh - how this machine runs 32-bit x86 programs, judged once for the
# test stages, and the one path by which they run them.  Sourced by
# run-tests.sh after common.sh, not run.
#   x86_judge    sets X86_RUNNER to native (the kernel runs them), qemu
#                (qemu-i386 user mode in a private namespace, see
#                x86-namespace.sh) or none; X86_HOW says how for the
#                summary, X86_WHY why not (a whole phrase) when none.
#                QX_X86_RUNNER forces one of the three (native even where
#                it fails, for a test).  Judged at the first call only.
#   x86_run <command...>   runs the command that way (not for none).

X86_WINE_LOADER="${QX_WINE32:-/usr/lib/wine/wine}"
X86_RUNNER=""
X86_HOW=""
X86_WHY=""
X86_QEMU_WHY=""
case "${QX_X86_RUNNER:-}" in
    "" | native | qemu | none) ;;
    *) echo "QX_X86_RUNNER is native, qemu or none, not $QX_X86_RUNNER" >&2; exit 2 ;;
esac

# x86_last_line <output>: the last non-empty line, as a reason to give.
x86_last_line() { printf '%s\n' "$1" | sed '/^[[:space:]]*$/d' | tail -1; }

# The kernel runs them where the 32-bit Wine loader answers (it fails with
# "Exec format error" where the kernel has no IA-32 emulation).
x86_native_works() { "$X86_WINE_LOADER" --version >/dev/null 2>&1; }

# Under qemu where the kernel lets an unprivileged process make a user
# namespace with a binfmt_misc instance of its own; probed for real with
# the 32-bit Wine loader once qemu-i386 is there.
x86_qemu_works() {
    local output qemu version
    output="$(unshare --user --map-root-user --mount \
        mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc 2>&1)" || {
        X86_QEMU_WHY="no private binfmt_misc in a user namespace: $(x86_last_line "$output")"
        return 1; }
    qemu="$("$QX_ROOT/scripts/fetch-qemu-i386.sh")" || {
        X86_QEMU_WHY="qemu-i386 could not be fetched, see above"; return 1; }
    output="$(QX_QEMU_I386="$qemu" "$QX_ROOT/scripts/x86-namespace.sh" \
        "$X86_WINE_LOADER" --version 2>&1)" || {
        X86_QEMU_WHY="32-bit Wine does not start under it: $(x86_last_line "$output")"
        return 1; }
    version="$("$qemu" --version | sed -n '1s/.* version \([0-9.]*\).*/\1/p')"
    export QX_QEMU_I386="$qemu"
    X86_HOW="x86 under qemu-i386 $version"
}

x86_judge() {
    [ -n "$X86_RUNNER" ] && return 0
    case "${QX_X86_RUNNER:-}" in
        native) X86_RUNNER=native ;;
        qemu) if x86_qemu_works; then X86_RUNNER=qemu; else X86_RUNNER=none
                  X86_WHY="x86 programs do not run under qemu-i386 ($X86_QEMU_WHY)"; fi ;;
        none) X86_RUNNER=none; X86_WHY="x86 programs not run (QX_X86_RUNNER=none)" ;;
        *) if x86_native_works; then X86_RUNNER=native
           elif x86_qemu_works; then X86_RUNNER=qemu
           else X86_RUNNER=none
                X86_WHY="this machine cannot run 32-bit programs, nor under qemu-i386 ($X86_QEMU_WHY)"
           fi ;;
    esac
    [ "$X86_RUNNER" = native ] && X86_HOW="x86 natively"
    qx_say "x86 programs: ${X86_HOW:-$X86_WHY}"
}

x86_run() {
    case "$X86_RUNNER" in
        native) "$@" ;;
        qemu) "$QX_ROOT/scripts/x86-namespace.sh" "$@" ;;
        *) echo "x86 programs do not run here: $X86_WHY" >&2; return 1 ;;
    esac
}
