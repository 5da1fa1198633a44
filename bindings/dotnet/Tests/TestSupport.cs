// TestSupport.cs - what the binding's tests stand on: the simulator's
// control entries, a record of the events a recycler raised, and the pipe
// that stands for a window on POSIX.
using System;
using System.Collections.Generic;
using System.Runtime.InteropServices;
using System.Threading;
using QXLogics;

namespace QXLogics.Tests
{
    // The simulator's control entries, in the device library the driver
    // loads (libDorvoLINK.so beside it: one module, one device).
    static class Sim
    {
        const string Library = "DorvoLINK";

        [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
        public static extern void qxsim_reset();

        [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
        public static extern int qxsim_insert(int amount);

        [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
        public static extern void qxsim_inject_callback(string text);

        [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
        public static extern int qxsim_wait_idle(int timeoutMs);

        [DllImport(Library, CallingConvention = CallingConvention.Cdecl)]
        public static extern long qxsim_total_value();

        public static void Settle()
        {
            if (qxsim_wait_idle(3000) != 0) throw new TimeoutException("the simulator did not settle");
            // and lets the driver's delivery thread hand over what it took in
            Thread.Sleep(50);
        }

        // Waits until the condition holds, or 5 s have passed.
        public static void Within5s(Func<bool> condition)
        {
            var until = DateTime.UtcNow.AddSeconds(5);
            while (!condition() && DateTime.UtcNow < until) Thread.Sleep(5);
        }
    }

    // Every event a recycler raised, as one line of text each, in order.
    class EventLog
    {
        readonly List<string> m_lines = new List<string>();

        public EventLog(CashRecycler recycler)
        {
            recycler.StatusChanged += (s, e) => Add("status " + e.Amount + " " + e.Status + (e.IsOpen ? " open" : ""));
            recycler.ErrorReported += (s, e) => Add("error " + e.Code + " " + e.Text + " / " + e.ExtInfo);
            recycler.CashLevelChanged += (s, e) => Add("level " + e.Denomination + " x" + e.Count + " " + e.ExtInfo);
            recycler.LevelWarning += (s, e) => Add("warning " + e.WarningType + " " + e.Denomination + " x" + e.Count +
                                                   " " + e.TypeString + "|" + e.DenominationString + "|" +
                                                   e.WarningMessage);
            recycler.CashSession += (s, e) => Add("session " + e.InfoType + " " + e.Amount + " " + e.ExtInfo);
        }

        void Add(string line)
        {
            lock (m_lines) m_lines.Add(line);
        }

        public List<string> Lines
        {
            get { lock (m_lines) return new List<string>(m_lines); }
        }

        // The first line that starts with prefix, or null.
        public string First(string prefix)
        {
            return Lines.Find(line => line.StartsWith(prefix, StringComparison.Ordinal));
        }
    }

    // A pipe whose write end is the "window" on POSIX; Drain hands each
    // record the driver wrote to the recycler, as a message loop would.
    sealed class EventPipe : IDisposable
    {
        const int RecordSize = 24, F_SETFL = 4, O_NONBLOCK = 0x800;
        readonly int[] m_fds = new int[2];

        public EventPipe()
        {
            if (pipe(m_fds) != 0 || fcntl(m_fds[0], F_SETFL, O_NONBLOCK) != 0)
                throw new InvalidOperationException("no pipe");
        }

        public IntPtr Window { get { return new IntPtr(m_fds[1]); } }

        public int Drain(CashRecycler recycler)
        {
            byte[] record = new byte[RecordSize];
            int count = 0;
            while (read(m_fds[0], record, new IntPtr(RecordSize)).ToInt64() == RecordSize)
            {
                int message = BitConverter.ToInt32(record, 0);
                long wParam = BitConverter.ToInt64(record, 8), lParam = BitConverter.ToInt64(record, 16);
                if (recycler.HandleWindowMessage(message, new IntPtr(wParam), new IntPtr(lParam))) ++count;
            }
            return count;
        }

        public void Dispose()
        {
            close(m_fds[0]);
            close(m_fds[1]);
        }

        [DllImport("libc", SetLastError = true)]
        static extern int pipe(int[] fds);

        [DllImport("libc", SetLastError = true)]
        static extern int fcntl(int fd, int command, int flags);

        [DllImport("libc", SetLastError = true)]
        static extern IntPtr read(int fd, byte[] buffer, IntPtr count);

        [DllImport("libc")]
        static extern int close(int fd);
    }
}
