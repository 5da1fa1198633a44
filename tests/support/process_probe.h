// process_probe.h - what a long-running test may ask about its own process.
#ifndef QX_PROCESS_PROBE_H
#define QX_PROCESS_PROBE_H

namespace qxtest {

// True in the Windows build (which the test command runs under Wine).
bool onWindows();
// Under a sanitizer or valgrind, whose own memory makes the resident size meaningless.
bool sanitizerBuild();
bool underValgrind();
// Resident set of this process in KiB; -1 when the platform cannot say.
long residentKiB();

}  // namespace qxtest

#endif  // QX_PROCESS_PROBE_H
