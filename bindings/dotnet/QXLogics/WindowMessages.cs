// WindowMessages.cs - the numbers of the four event messages an
// application receives after CashRecycler.UseWindow.
//
// Windows registers them by name (RegisterWindowMessage gives every
// process the same number for the same name); POSIX has fixed numbers,
// carried in the records the driver writes to the application's pipe.
using System;
using System.Runtime.InteropServices;

namespace QXLogics
{
    public static class WindowMessages
    {
        public const string StatusName = "WM_QX_CALLBACK_STATUS";
        public const string ErrorName = "WM_QX_CALLBACK_ERROR";
        public const string CashLevelName = "WM_QX_CALLBACK_CASHLEVEL";
        public const string CashSessionName = "WM_QX_CALLBACK_CASHSESSION";

        public static readonly int Status = Number(StatusName, NativeMethods.QX_WM_CALLBACK_STATUS);
        public static readonly int Error = Number(ErrorName, NativeMethods.QX_WM_CALLBACK_ERROR);
        public static readonly int CashLevel = Number(CashLevelName, NativeMethods.QX_WM_CALLBACK_CASHLEVEL);
        public static readonly int CashSession = Number(CashSessionName, NativeMethods.QX_WM_CALLBACK_CASHSESSION);

        static int Number(string name, uint posixNumber)
        {
            if (Environment.OSVersion.Platform == PlatformID.Win32NT) return (int)RegisterWindowMessageA(name);
            return (int)posixNumber;
        }

        [DllImport("user32.dll", CharSet = CharSet.Ansi)]
        static extern uint RegisterWindowMessageA(string name);
    }
}
