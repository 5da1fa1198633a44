// CashRecycler.cs - the recycler as a till uses it: open it, sign an
// operator in, accept a customer's cash and settle the sale, pay refunds
// out, and hear what the device does through .NET events.
//
// The driver is one per process and expects its calls from one thread at
// a time; so is this class. Each method returns a QxResult, or throws a
// QxException for a failed call when ThrowOnFailure is set.
//
// Events come as callbacks by default and are then raised on the device
// library's thread, one at a time: copy what you need, hand work to your
// own thread, and never call the recycler from a handler. After
// UseWindow they come as window messages instead and are raised by
// HandleWindowMessage, on the thread that calls it (a UI thread).
using System;
using System.Diagnostics;
using System.Text;

namespace QXLogics
{
    public sealed class CashRecycler : IDisposable
    {
        readonly StatusCallback m_onStatus;
        readonly ErrorCallback m_onError;
        readonly CashLevelCallback m_onCashLevel;
        readonly LevelWarningCallback m_onLevelWarning;
        readonly CashSessionCallback m_onCashSession;
        bool m_window;
        bool m_open;
        bool m_disposed;

        public CashRecycler(bool throwOnFailure = false)
        {
            ThrowOnFailure = throwOnFailure;
            m_onStatus = OnStatus;
            m_onError = OnError;
            m_onCashLevel = OnCashLevel;
            m_onLevelWarning = OnLevelWarning;
            m_onCashSession = OnCashSession;
        }

        public bool ThrowOnFailure { get; set; }

        public event EventHandler<StatusEventArgs> StatusChanged;
        public event EventHandler<DeviceErrorEventArgs> ErrorReported;
        public event EventHandler<CashLevelEventArgs> CashLevelChanged;
        public event EventHandler<LevelWarningEventArgs> LevelWarning;
        public event EventHandler<CashSessionEventArgs> CashSession;

        // Before Open: deliver events as messages to this window (an HWND on
        // Windows; the write end of a pipe on POSIX) instead of callbacks.
        public QxResult UseWindow(IntPtr window)
        {
            StringBuilder message = NativeMethods.NewBuffer();
            QxResult result = Finish("registerHwndQX", NativeMethods.registerHwndQX(window, message), message);
            m_window = result.Succeeded;
            return result;
        }

        // Registers for events (unless UseWindow did) and opens the device:
        // portSettings like "Type:RS232;Name:COM1", settings like
        // "StatusOkTimeout:20;ChangeOkCheck:1".
        public QxResult Open(string portSettings, string settings = "")
        {
            if (m_disposed) throw new ObjectDisposedException("CashRecycler");
            StringBuilder message = NativeMethods.NewBuffer();
            if (!m_window)
            {
                short registered = NativeMethods.registerEvents23QX(m_onStatus, m_onError, m_onCashLevel,
                                                                    m_onLevelWarning, m_onCashSession, message);
                if (registered != 0) return Finish("registerEvents23QX", registered, message);
            }
            short status = NativeMethods.initQX(portSettings, settings ?? "", message);
            m_open = status == 0;
            return Finish("initQX", status, message);
        }

        // Closes the device; the driver forgets the event receivers.
        public QxResult Close()
        {
            StringBuilder message = NativeMethods.NewBuffer();
            short status = NativeMethods.exitQX(message);
            if (status == 0) m_open = m_window = false;
            return Finish("exitQX", status, message);
        }

        // Closes the device if this recycler opened it and has not closed it.
        public void Dispose()
        {
            if (m_disposed) return;
            m_disposed = true;
            if (m_open) NativeMethods.exitQX(NativeMethods.NewBuffer());
            m_open = false;
        }

        public QxResult ChangeSettings(string settings, bool untilNextPayout = false)
        {
            StringBuilder message = NativeMethods.NewBuffer();
            return Finish("changeSettingsQX",
                          NativeMethods.changeSettingsQX(settings, (short)(untilNextPayout ? 1 : 0), message), message);
        }

        public QxResult SignIn(short operatorNumber, short password)
        {
            StringBuilder message = NativeMethods.NewBuffer();
            return Finish("loginQX", NativeMethods.loginQX(operatorNumber, password, message), message);
        }

        public QxResult SignIn(string operatorName, string password)
        {
            StringBuilder message = NativeMethods.NewBuffer();
            return Finish("loginStrQX", NativeMethods.loginStrQX(operatorName, password, message), message);
        }

        public QxResult SignOut()
        {
            StringBuilder message = NativeMethods.NewBuffer();
            return Finish("logoutQX", NativeMethods.logoutQX(message), message);
        }

        // The customer may insert cash.
        public QxResult AcceptCash()
        {
            StringBuilder message = NativeMethods.NewBuffer();
            return Finish("enablePayinQX", NativeMethods.enablePayinQX(message), message);
        }

        public QxResult StopAcceptingCash()
        {
            StringBuilder message = NativeMethods.NewBuffer();
            return Finish("disablePayinQX", NativeMethods.disablePayinQX(message), message);
        }

        // Books what was paid in against amountDue and pays the difference
        // back; Rest is what the device could not pay back.
        public QxResult Settle(int amountDue, string text = "")
        {
            StringBuilder message = NativeMethods.NewBuffer();
            int rest;
            short status = NativeMethods.amountDueQX(amountDue, text, out rest, message);
            return Finish("amountDueQX", status, message, rest);
        }

        // Books what was paid in, with no change.
        public QxResult BookPayment(string text = "")
        {
            StringBuilder message = NativeMethods.NewBuffer();
            return Finish("depositQX", NativeMethods.depositQX(text, message), message);
        }

        // Whether the device can pay amount out; Rest is what it could not.
        public QxResult CanPayOut(int amount)
        {
            StringBuilder message = NativeMethods.NewBuffer();
            int rest;
            short status = NativeMethods.askPayout2QX(amount, out rest, message);
            return Finish("askPayout2QX", status, message, rest);
        }

        // Pays amount out (a refund, change the till worked out) with pay-in
        // stopped; Rest is what the device could not pay.
        public QxResult PayOut(int amount, string text = "")
        {
            StringBuilder message = NativeMethods.NewBuffer();
            int rest;
            short status = NativeMethods.dispenseQX(amount, text, out rest, message);
            return Finish("dispenseQX", status, message, rest);
        }

        // Books bookAmount of what was paid in and pays payOutAmount out in
        // one step, while pay-in is on.
        public QxResult PayOutAndBook(int payOutAmount, int bookAmount, string text = "")
        {
            StringBuilder message = NativeMethods.NewBuffer();
            int rest;
            short status = NativeMethods.payout2QX(payOutAmount, bookAmount, text, out rest, message);
            return Finish("payout2QX", status, message, rest);
        }

        // The device gives the customer's whole payment back as change.
        public QxResult ReturnPayment()
        {
            StringBuilder message = NativeMethods.NewBuffer();
            return Finish("changeQX", NativeMethods.changeQX(message), message);
        }

        // The customer changes their mind: the last note, or everything.
        public QxResult ReturnLastItem() { return Regret(0); }
        public QxResult ReturnAllInserted() { return Regret(1); }

        QxResult Regret(short regretType)
        {
            StringBuilder message = NativeMethods.NewBuffer();
            return Finish("regretQX", NativeMethods.regretQX(regretType, message), message);
        }

        // Clears a device error.
        public QxResult Reset()
        {
            StringBuilder message = NativeMethods.NewBuffer();
            return Finish("resetQX", NativeMethods.resetQX(message), message);
        }

        public QxResult<bool> IsOpen()
        {
            StringBuilder message = NativeMethods.NewBuffer();
            int open;
            short status = NativeMethods.isOpenQX(out open, message);
            return Finish(new QxResult<bool>("isOpenQX", status, message.ToString(), open != 0));
        }

        public QxResult<DeviceInfo> GetInfo()
        {
            StringBuilder commands = NativeMethods.NewBuffer(), master = NativeMethods.NewBuffer();
            StringBuilder info = NativeMethods.NewBuffer(), message = NativeMethods.NewBuffer();
            int level;
            short status = NativeMethods.infoQX(out level, commands, master, info, message);
            DeviceInfo value = new DeviceInfo
            {
                Level = level, Commands = commands.ToString(), Master = master.ToString(), Info = info.ToString()
            };
            return Finish(new QxResult<DeviceInfo>("infoQX", status, message.ToString(), value));
        }

        // After UseWindow: give every window message here (WndProc, a WPF
        // hook, or the records read from the POSIX pipe). An event message
        // is answered by fetching its texts and raising its event on this
        // thread; true then, false for any other message.
        public bool HandleWindowMessage(int message, IntPtr wParam, IntPtr lParam)
        {
            long w = wParam.ToInt64(), l = lParam.ToInt64();
            if (message == WindowMessages.Status)
                OnStatus((int)l, (short)(w % 100), (short)(w / 100));
            else if (message == WindowMessages.Error)
                FetchError((int)l);
            else if (message == WindowMessages.CashLevel)
                FetchCashLevel((int)l, (int)w);
            else if (message == WindowMessages.CashSession)
                FetchCashSession((short)w, (int)l);
            else
                return false;
            return true;
        }

        void FetchError(int code)
        {
            StringBuilder text = NativeMethods.NewBuffer(), extInfo = NativeMethods.NewBuffer();
            NativeMethods.getErrorInfoQX(text, extInfo);
            OnError(code, text.ToString(), extInfo.ToString());
        }

        // One queue holds both views of a cash-level event: raise both, as
        // the callbacks do.
        void FetchCashLevel(int denomination, int count)
        {
            StringBuilder typeString = NativeMethods.NewBuffer(), denominationString = NativeMethods.NewBuffer();
            StringBuilder warningMessage = NativeMethods.NewBuffer(), extInfo = NativeMethods.NewBuffer();
            int warningType = 0;
            NativeMethods.getLevelWarningInfoQX(ref warningType, typeString, denominationString, warningMessage,
                                                extInfo);
            OnCashLevel(denomination, count, extInfo.ToString());
            OnLevelWarning(warningType, denomination, count, typeString.ToString(), denominationString.ToString(),
                           warningMessage.ToString(), extInfo.ToString());
        }

        void FetchCashSession(short infoType, int amount)
        {
            StringBuilder extInfo = NativeMethods.NewBuffer();
            NativeMethods.getCashSessionInfoQX(extInfo);
            OnCashSession(infoType, amount, extInfo.ToString());
        }

        QxResult Finish(string call, short status, StringBuilder message, int rest = 0)
        {
            return Finish(new QxResult(call, status, message.ToString(), rest));
        }

        T Finish<T>(T result) where T : QxResult
        {
            if (ThrowOnFailure && !result.Succeeded) throw new QxException(result);
            return result;
        }

        void OnStatus(int amount, short status, short mode)
        {
            Raise(StatusChanged, new StatusEventArgs(amount, status, mode));
        }

        void OnError(int errorCode, string errorText, string extInfo)
        {
            Raise(ErrorReported, new DeviceErrorEventArgs(errorCode, errorText, extInfo));
        }

        void OnCashLevel(int denomination, int numberOf, string extInfo)
        {
            Raise(CashLevelChanged, new CashLevelEventArgs(denomination, numberOf, extInfo));
        }

        void OnLevelWarning(int warningType, int denomination, int numberOf, string typeString,
                            string denominationString, string warningMessage, string extInfo)
        {
            Raise(LevelWarning, new LevelWarningEventArgs(warningType, denomination, numberOf, typeString,
                                                          denominationString, warningMessage, extInfo));
        }

        void OnCashSession(short infoType, int amount, string extInfo)
        {
            Raise(CashSession, new CashSessionEventArgs(infoType, amount, extInfo));
        }

        // An exception must not unwind into the driver's delivery thread:
        // it is traced and dropped.
        void Raise<T>(EventHandler<T> handler, T args) where T : EventArgs
        {
            if (handler == null) return;
            try
            {
                handler(this, args);
            }
            catch (Exception e)
            {
                Trace.TraceError("QXLogics: an event handler threw: " + e);
            }
        }
    }
}
