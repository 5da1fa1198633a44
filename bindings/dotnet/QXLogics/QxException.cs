// QxException.cs - thrown by CashRecycler for a failed call when the
// application asked for exceptions (CashRecycler.ThrowOnFailure).
using System;

namespace QXLogics
{
    public class QxException : Exception
    {
        public QxException(QxResult result)
            : base(result.ToString())
        {
            Result = result;
        }

        public QxResult Result { get; private set; }
        public QxStatus Status { get { return Result.Status; } }
        public string DriverMessage { get { return Result.Message; } }
    }
}
