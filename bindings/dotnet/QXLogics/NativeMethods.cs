// NativeMethods.cs - the 29 exports of qxlogics.h as P/Invoke declarations,
// with the five callback delegates and the header's constants.
//
// The library name "qxlogics" carries no prefix or extension: Windows loads
// qxlogics.dll, and both mono and modern .NET on POSIX try libqxlogics.so
// (first in the folder of the calling assembly, then the loader's search
// path). Every entry is StdCall: the exports' own convention on 32-bit
// Windows, and the platform's only one on x86-64, where the keyword is
// ignored. Texts are ANSI (the code page on Windows, UTF-8 on POSIX).
//
// The registration entries are wrapped: the driver keeps the function
// pointers it is given, so their delegates are held here until exitQX
// makes the driver forget them (RegisteredCallbacks).
using System;
using System.Runtime.InteropServices;
using System.Text;

namespace QXLogics
{
    [UnmanagedFunctionPointer(CallingConvention.StdCall, CharSet = CharSet.Ansi)]
    public delegate void StatusCallback(int amount, short status, short mode);

    [UnmanagedFunctionPointer(CallingConvention.StdCall, CharSet = CharSet.Ansi)]
    public delegate void ErrorCallback(int errorCode, string errorText, string extInfo);

    [UnmanagedFunctionPointer(CallingConvention.StdCall, CharSet = CharSet.Ansi)]
    public delegate void CashLevelCallback(int denomination, int numberOf, string extInfo);

    [UnmanagedFunctionPointer(CallingConvention.StdCall, CharSet = CharSet.Ansi)]
    public delegate void LevelWarningCallback(int warningType, int denomination, int numberOf,
                                              string typeString, string denominationString,
                                              string warningMessage, string extInfo);

    [UnmanagedFunctionPointer(CallingConvention.StdCall, CharSet = CharSet.Ansi)]
    public delegate void CashSessionCallback(short infoType, int amount, string extInfo);

    public static class NativeMethods
    {
        public const string LibraryName = "qxlogics";

        // Capacity of every text buffer handed to the driver, terminator
        // included; the driver cuts its texts to fit.
        public const int QX_BUFFER_CAPACITY = 256;

        // Message numbers of the four event kinds on POSIX (Windows
        // registers them by name: WindowMessages).
        public const uint QX_WM_CALLBACK_STATUS = 0xC101;
        public const uint QX_WM_CALLBACK_ERROR = 0xC102;
        public const uint QX_WM_CALLBACK_CASHLEVEL = 0xC103;
        public const uint QX_WM_CALLBACK_CASHSESSION = 0xC104;

        // A buffer for one message or text out-value.
        public static StringBuilder NewBuffer()
        {
            return new StringBuilder(QX_BUFFER_CAPACITY);
        }

        const CallingConvention Conv = CallingConvention.StdCall;
        const CharSet Ansi = CharSet.Ansi;

        // Lifecycle.
        [DllImport(LibraryName, CallingConvention = Conv, CharSet = Ansi)]
        public static extern short initQX(string portSettings, string initSettings, StringBuilder message);

        [DllImport(LibraryName, CallingConvention = Conv, CharSet = Ansi, EntryPoint = "exitQX")]
        static extern short exitQXEntry(StringBuilder message);

        public static short exitQX(StringBuilder message)
        {
            short status = exitQXEntry(message);
            if (status == 0) RegisteredCallbacks.Release();
            return status;
        }

        // Settings and registration.
        [DllImport(LibraryName, CallingConvention = Conv, CharSet = Ansi)]
        public static extern short changeSettingsQX(string settings, short durationType, StringBuilder message);

        [DllImport(LibraryName, CallingConvention = Conv, CharSet = Ansi, EntryPoint = "registerEventsQX")]
        static extern short registerEventsEntry(StatusCallback status, ErrorCallback error,
                                                CashLevelCallback cashLevel, StringBuilder message);

        [DllImport(LibraryName, CallingConvention = Conv, CharSet = Ansi, EntryPoint = "registerEvents2QX")]
        static extern short registerEvents2Entry(StatusCallback status, ErrorCallback error,
                                                 CashLevelCallback cashLevel, CashSessionCallback cashSession,
                                                 StringBuilder message);

        [DllImport(LibraryName, CallingConvention = Conv, CharSet = Ansi, EntryPoint = "registerEvents3QX")]
        static extern short registerEvents3Entry(StatusCallback status, ErrorCallback error,
                                                 LevelWarningCallback levelWarning, CashSessionCallback cashSession,
                                                 StringBuilder message);

        [DllImport(LibraryName, CallingConvention = Conv, CharSet = Ansi, EntryPoint = "registerEvents23QX")]
        static extern short registerEvents23Entry(StatusCallback status, ErrorCallback error,
                                                  CashLevelCallback cashLevel, LevelWarningCallback levelWarning,
                                                  CashSessionCallback cashSession, StringBuilder message);

        public static short registerEventsQX(StatusCallback status, ErrorCallback error,
                                             CashLevelCallback cashLevel, StringBuilder message)
        {
            RegisteredCallbacks.Hold(status, error, cashLevel);
            return registerEventsEntry(status, error, cashLevel, message);
        }

        public static short registerEvents2QX(StatusCallback status, ErrorCallback error,
                                              CashLevelCallback cashLevel, CashSessionCallback cashSession,
                                              StringBuilder message)
        {
            RegisteredCallbacks.Hold(status, error, cashLevel, cashSession);
            return registerEvents2Entry(status, error, cashLevel, cashSession, message);
        }

        public static short registerEvents3QX(StatusCallback status, ErrorCallback error,
                                              LevelWarningCallback levelWarning, CashSessionCallback cashSession,
                                              StringBuilder message)
        {
            RegisteredCallbacks.Hold(status, error, levelWarning, cashSession);
            return registerEvents3Entry(status, error, levelWarning, cashSession, message);
        }

        public static short registerEvents23QX(StatusCallback status, ErrorCallback error,
                                               CashLevelCallback cashLevel, LevelWarningCallback levelWarning,
                                               CashSessionCallback cashSession, StringBuilder message)
        {
            RegisteredCallbacks.Hold(status, error, cashLevel, levelWarning, cashSession);
            return registerEvents23Entry(status, error, cashLevel, levelWarning, cashSession, message);
        }

        // An HWND on Windows; on POSIX the write end of a pipe or socket.
        [DllImport(LibraryName, CallingConvention = Conv, CharSet = Ansi)]
        public static extern short registerHwndQX(IntPtr hwndMessageTo, StringBuilder message);

        // Cash operations.
        [DllImport(LibraryName, CallingConvention = Conv, CharSet = Ansi)]
        public static extern short enablePayinQX(StringBuilder message);

        [DllImport(LibraryName, CallingConvention = Conv, CharSet = Ansi)]
        public static extern short disablePayinQX(StringBuilder message);

        [DllImport(LibraryName, CallingConvention = Conv, CharSet = Ansi)]
        public static extern short depositQX(string text, StringBuilder message);

        [DllImport(LibraryName, CallingConvention = Conv, CharSet = Ansi)]
        public static extern short dispenseQX(int amount, string text, out int amountRest, StringBuilder message);

        [DllImport(LibraryName, CallingConvention = Conv, CharSet = Ansi)]
        public static extern short askPayoutQX(int amount, StringBuilder message);

        [DllImport(LibraryName, CallingConvention = Conv, CharSet = Ansi)]
        public static extern short askPayout2QX(int amount, out int amountRest, StringBuilder message);

        [DllImport(LibraryName, CallingConvention = Conv, CharSet = Ansi)]
        public static extern short payoutQX(int amountDispense, int amountDeposit, string text, StringBuilder message);

        [DllImport(LibraryName, CallingConvention = Conv, CharSet = Ansi)]
        public static extern short payout2QX(int amountDispense, int amountDeposit, string text,
                                             out int amountRest, StringBuilder message);

        [DllImport(LibraryName, CallingConvention = Conv, CharSet = Ansi)]
        public static extern short amountDueQX(int amountDue, string text, out int amountRest, StringBuilder message);

        [DllImport(LibraryName, CallingConvention = Conv, CharSet = Ansi)]
        public static extern short changeQX(StringBuilder message);

        [DllImport(LibraryName, CallingConvention = Conv, CharSet = Ansi)]
        public static extern short regretQX(short regretType, StringBuilder message);

        [DllImport(LibraryName, CallingConvention = Conv, CharSet = Ansi)]
        public static extern short resetQX(StringBuilder message);

        // Information queued for window-message applications. An empty
        // queue leaves warningType as the caller set it, hence ref.
        [DllImport(LibraryName, CallingConvention = Conv, CharSet = Ansi)]
        public static extern short getErrorInfoQX(StringBuilder errorText, StringBuilder extInfo);

        [DllImport(LibraryName, CallingConvention = Conv, CharSet = Ansi)]
        public static extern short getCashLevelInfoQX(StringBuilder extInfo);

        [DllImport(LibraryName, CallingConvention = Conv, CharSet = Ansi)]
        public static extern short getLevelWarningInfoQX(ref int warningType, StringBuilder typeString,
                                                         StringBuilder denominationString,
                                                         StringBuilder warningMessage, StringBuilder extInfo);

        [DllImport(LibraryName, CallingConvention = Conv, CharSet = Ansi)]
        public static extern short getCashSessionInfoQX(StringBuilder extInfo);

        // Login, logout and status.
        [DllImport(LibraryName, CallingConvention = Conv, CharSet = Ansi)]
        public static extern short loginQX(short user, short password, StringBuilder message);

        [DllImport(LibraryName, CallingConvention = Conv, CharSet = Ansi)]
        public static extern short loginStrQX(string user, string password, StringBuilder message);

        [DllImport(LibraryName, CallingConvention = Conv, CharSet = Ansi)]
        public static extern short logoutQX(StringBuilder message);

        [DllImport(LibraryName, CallingConvention = Conv, CharSet = Ansi)]
        public static extern short isOpenQX(out int open, StringBuilder message);

        [DllImport(LibraryName, CallingConvention = Conv, CharSet = Ansi)]
        public static extern short infoQX(out int level, StringBuilder commands, StringBuilder master,
                                          StringBuilder info, StringBuilder message);
    }
}
