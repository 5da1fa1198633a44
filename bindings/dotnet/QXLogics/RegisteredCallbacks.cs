// RegisteredCallbacks.cs - keeps every delegate handed to a registration
// export alive until exitQX has made the driver forget it.
//
// The driver stores bare function pointers and calls them on the device
// library's thread; nothing on the managed side refers to the delegates
// behind them, so without this the garbage collector may take one while
// the driver still calls it. The driver keeps a registration across later
// failed ones and across a failed initQX, until exitQX succeeds: holding
// every delegate ever given until then is never too short.
using System;
using System.Collections.Generic;

namespace QXLogics
{
    static class RegisteredCallbacks
    {
        static readonly object s_lock = new object();
        static readonly List<Delegate> s_held = new List<Delegate>();

        public static void Hold(params Delegate[] callbacks)
        {
            lock (s_lock)
            {
                foreach (Delegate callback in callbacks)
                    if (callback != null && !s_held.Contains(callback)) s_held.Add(callback);
            }
        }

        public static void Release()
        {
            lock (s_lock) s_held.Clear();
        }
    }
}
