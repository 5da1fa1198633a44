// platform.h - the operating-system services the library uses, behind one
// interface.  Two backends implement it: platform/win32 (the real Windows
// calls) and platform/posix (dlopen, dladdr, mkdir, chmod, an INI reader,
// a registered-message table and descriptor notifications).  Nothing
// outside platform/ tests for the operating system.
//
// POSIX conventions (see README, "Platform notes"):
//   - path separator '/'; the default log directory is one of the user's
//     own, and log files are never opened or marked through a link;
//   - the "system directory" standing for the Windows directory is
//     "/etc/qxlogics";
//   - a library named "DorvoLINK" is loaded as "libDorvoLINK.so"; entry
//     names have every '@' mapped to '_' because ELF reads "@@" as a
//     symbol version.
//
// Who calls, under what exclusion:
//   - the libraries and this module's reference: the device link and the
//     core, on the application's thread in the call that holds the
//     library's one turn (initQX, exitQX), or at unload;
//   - the log files and folders: the logger, under its own lock;
//   - the clocks and the sleep: any thread, the application's and the
//     device library's, at the same time;
//   - the window messages: the event senders on the driver's delivery
//     thread, and the registration once at load; a post never blocks;
//   - the settings file, the environment and this module's own file: the
//     settings search in initQX, and the language table under its lock,
//     from whichever thread translates first.
// So every function may run on several threads at once: what a backend
// shares (the message table, the test seams) it guards itself.  The
// ...ForTesting setters are meant for tests, between calls.  What comes
// back is said at each function.
#ifndef QX_PLATFORM_H
#define QX_PLATFORM_H

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <functional>
#include <string>

namespace qxplat {

// ---- Dynamic libraries -------------------------------------------------
using ModuleHandle = void*;

// Loads a library by its base name ("DorvoLINK"); null on failure.
ModuleHandle loadLibrary(const char* baseName);
// Looks up an entry by its Windows name ("?qx_dini@@YGXXZ").
void* findEntry(ModuleHandle module, const char* windowsName);
// Unloads; false when the platform reports a failure.
bool freeLibrary(ModuleHandle module);
// Test support: loadLibrary tries this directory first ("" = off).
void setLibraryDirectoryForTesting(const std::string& dir);

// Full file name of this library's own loaded module, "" on failure.
// moduleName is the Windows module name ("qxlogics.dll").
std::string ownModuleFileName(const char* moduleName);

// An extra reference to this library's own module, taken while code of it
// may run on threads other than the caller's (the device library's, the
// delivery thread): an application that unloads the library then leaves
// it mapped instead of pulling the code from under them.  Taking it twice
// holds one reference; true while held.
bool holdOwnModule();
// Gives that reference back (nothing when none is held).
void releaseOwnModule();
// Whether the code at this address is still mapped: a library we freed may
// still be held by someone else, and then its threads may still run.
bool codeIsLoaded(const void* address);

// Splits a full file name and returns drive + directory with its trailing
// separator ("" when the name has no directory part).
std::string directoryOf(const std::string& fullName);

// File version "a.b.c.d" from the file's version resource, "" when none.
std::string fileVersion(const std::string& fileName);

// ---- Files and directories ----------------------------------------------
char pathSeparator();

enum class MakeDirResult { Created, AlreadyExists, Failed };
MakeDirResult makeDirectory(const std::string& path);

// The log directory when neither QXLOGS nor LOGFILE names one, made when
// missing: "c:\temp" on Windows; on POSIX a folder of the user's own
// ($XDG_STATE_HOME/qxlogics, else $HOME/.local/state/qxlogics, else
// qxlogs-<uid> in $TMPDIR or /tmp, made 0700 and checked to be the user's).
// "" when there is none (POSIX: one line on standard error, once).
std::string makeDefaultLogDirectory();

// Opens a log file to append to and read from, creating it when missing;
// null when it cannot be opened (POSIX: also when the name is a symbolic
// link or no regular file).
std::FILE* openLogFile(const std::string& path);
// Empties an open log file; its lines are appended from then on.
void emptyLogFile(std::FILE* stream);

// Read-only marking of a closed log file (Windows attribute / POSIX mode;
// POSIX never changes the mode of a link's target).
void setReadOnly(const std::string& path, bool readOnly);

// The directory searched last for the settings and language files.
std::string systemDirectory();
// What the settings search's log lines call this library's own folder and
// the system directory: "the DLL directory" and "the Windows directory" on
// Windows, "the library directory" and "the system settings directory" on
// POSIX.  Static texts.
const char* libraryDirectoryLabel();
const char* systemDirectoryLabel();
void setSystemDirectoryForTesting(const std::string& dir);  // "" = default

// Integer value of key in [section] of an INI file, with the semantics of
// GetPrivateProfileIntA: leading decimal number of the value, defaultValue
// when the file, section or key is missing.
int profileInt(const char* section, const char* key, int defaultValue,
               const std::string& path);

// Environment variable; false when not set.
bool getEnv(const char* name, std::string& value);

// ---- Time -----------------------------------------------------------------
// Local time with milliseconds; the clock seam of the logger.
struct LocalTime {
    int year;    // e.g. 2026
    int month;   // 1..12
    int day;     // 1..31
    int hour, minute, second, millisecond;
    int weekday; // 0 = Sunday
    int yearDay; // 0..365
};
LocalTime localNow();
// Calendar time in whole seconds; the clock seam of the paid-out list.
std::time_t calendarNow();

using LocalClock = std::function<LocalTime()>;
using CalendarClock = std::function<std::time_t()>;
void setLocalClockForTesting(LocalClock clock);        // empty = real clock
void setCalendarClockForTesting(CalendarClock clock);  // empty = real clock

// Plain sleep.
void sleepMs(int milliseconds);
using SleepHook = std::function<void(int)>;
// While a hook is installed, sleeps call it instead of sleeping, and the
// monotonic clock below is virtual: it moves only by the hooked sleeps, so
// a test drives every time-out boundary without waiting.
void setSleepHookForTesting(SleepHook hook);  // empty = real sleep
bool sleepIsHooked();

// Milliseconds on a clock that never goes back; the clock of the device
// waits.  Only differences between two readings mean anything.
std::int64_t monotonicMs();

// ---- Window messages ----------------------------------------------------
// Process-wide number for a message name (RegisterWindowMessageA).
unsigned registerWindowMessage(const char* name);
// Posts without waiting; the result is not reported.
void postMessage(void* window, unsigned message, std::uintptr_t wParam,
                 std::intptr_t lParam);

}  // namespace qxplat

#endif  // QX_PLATFORM_H
