// process_probe.h - what a long-running test may ask about its own
// process: the platform it runs on, whether a sanitizer instruments it,
// and its resident memory.
#ifndef QX_PROCESS_PROBE_H
#define QX_PROCESS_PROBE_H

namespace qxtest {

// True in the Windows build (which the test command runs under Wine).
bool onWindows();

// True when the program was built with an address, thread or memory
// sanitizer: their shadow memory makes resident size meaningless.
bool sanitizerBuild();

// True when the program runs under valgrind, whose own heap makes
// resident size meaningless too.
bool underValgrind();

// True when the process runs with the superuser's rights, which ignore
// file permissions.
bool runningAsRoot();

// Resident set of this process in KiB; -1 when the platform cannot say.
long residentKiB();

}  // namespace qxtest

#endif  // QX_PROCESS_PROBE_H
