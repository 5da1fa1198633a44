// dorvo_link.h - the device link CDorvoLink: the only place that talks to
// the device communication library DorvoLINK.  It loads the library at
// initialisation, binds its three entries, sends text commands and turns
// the answers into status codes, and unloads it at exit.
#ifndef QX_DORVO_LINK_H
#define QX_DORVO_LINK_H

#include <string>

#include "link/device_entries.h"
#include "platform/platform.h"

// Entry names as the device library exports them (Windows spelling).
extern const char* const QX_ENTRY_INITIATE;  // "qx_initiate2"
extern const char* const QX_ENTRY_SEND;      // "?qx_002@@YGXPAD0@Z"
extern const char* const QX_ENTRY_CLOSE;     // "?qx_dini@@YGXXZ"

// The field separator of commands and callbacks, 0x1C, as a text.
extern const std::string g_strFS;

class CDorvoLink {
public:
    // constexpr: g_link is set up before any code of the library runs, and
    // as it has nothing to destroy it outlives the core object.
    constexpr CDorvoLink() : m_hModule(nullptr) {}

    // ---- The library and the connection ---------------------------------
    short loadTheComLibrary(char* message);
    short freeTheComLibrary(char* message);
    short initialize(QXDeviceCallback callbackEntry, const char* portName,
                     char* message);
    short exit(char* message);
    bool isLoaded() const { return m_hModule != nullptr; }
    // Whether the device library may still call the callback entry: it is
    // loaded, or it was freed here but another holder keeps its code
    // mapped (a library that calls back after its close).
    bool mayStillCallBack() const;

    // ---- The three entries ------------------------------------------------
    short my_qx_002(const char* command, char* answer, char* message);
    short my_qx_initiate(QXDeviceCallback callbackEntry, const char* portName,
                         char* answer);
    short my_qx_dini(char* message);

    // ---- Device commands --------------------------------------------------
    short login(short op, short pw, char* message);
    short logout(char* message);
    short enablePayin(char* message);
    short disablePayin(char* message);
    short dispense(int amount, const char* text, char* message);
    short askPayOut(int amount, char* message);
    short doPayOut(int dispenseAmount, int depositAmount, const char* text,
                   char* message);
    short change(char* message);
    short regret(char* message);
    short regretAllTrue(char* message);
    short regretAll(char* message);
    short reset(char* message);
    short verifyQX(const char* argument, char* message);

private:
    qxplat::ModuleHandle m_hModule;
};

extern CDorvoLink g_link;

// Command texts, shared by the link and its tests.
std::string pad8(int value);    // "00001250"; longer texts whole; -5 -> "000000-5"
std::string fixed8(int value);  // "%08d", first eight characters

#endif  // QX_DORVO_LINK_H
