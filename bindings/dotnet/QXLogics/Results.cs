// Results.cs - what a device call gives back: the status code as an enum,
// the driver's message, and the rest amount or value where there is one.
namespace QXLogics
{
    // The driver's status codes (qxlogics.h).
    public enum QxStatus : short
    {
        Ok = 0,
        Busy = 1,
        Error = 2,
        Warning = 3,          // nothing done, no harm (initQX while open)
        InputParamError = 4,
        Closed = 5,
        Timeout = 6,
        SendFailed = 7,
        NotPossible = 8,
        MoveError = 9,        // the device reported an error during a cash move: cash may have moved
        DepositTooBig = 10,
        LimitExceeded = 11,
        NotSupported = 12
    }

    public class QxResult
    {
        public QxResult(string call, short status, string message, int rest)
        {
            Call = call;
            Status = (QxStatus)status;
            Message = message ?? "";
            Rest = rest;
        }

        // The export that was called, e.g. "amountDueQX".
        public string Call { get; private set; }
        public QxStatus Status { get; private set; }
        // The driver's message text ("Done", "Closed", ...).
        public string Message { get; private set; }
        // Minor units the device could not pay out (payout calls; else 0).
        public int Rest { get; private set; }

        // Ok, or a warning that nothing was done and nothing harmed.
        public bool Succeeded
        {
            get { return Status == QxStatus.Ok || Status == QxStatus.Warning; }
        }

        public override string ToString()
        {
            return Call + ": " + (int)Status + " (" + Status + ") " + Message +
                   (Rest != 0 ? " (rest " + Rest + ")" : "");
        }
    }

    // A result that also carries a value read from the device.
    public class QxResult<T> : QxResult
    {
        public QxResult(string call, short status, string message, T value)
            : base(call, status, message, 0)
        {
            Value = value;
        }

        public T Value { get; private set; }

        public override string ToString()
        {
            return base.ToString() + " [" + Value + "]";
        }
    }

    // What infoQX reports about the attached device.
    public class DeviceInfo
    {
        public int Level { get; internal set; }
        public string Commands { get; internal set; }
        public string Master { get; internal set; }
        public string Info { get; internal set; }

        public override string ToString()
        {
            return "level " + Level + ", commands \"" + Commands + "\", master \"" + Master + "\", info \"" + Info + "\"";
        }
    }
}
