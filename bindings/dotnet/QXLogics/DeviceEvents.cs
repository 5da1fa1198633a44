// DeviceEvents.cs - the data of the five events a CashRecycler raises.
using System;

namespace QXLogics
{
    // The device's status digit.
    public enum DeviceStatus : short
    {
        AcceptingCash = 0,  // idle, pay-in enabled
        Busy = 1,           // moving cash
        Error = 2,
        Idle = 3            // idle, pay-in disabled
    }

    public class StatusEventArgs : EventArgs
    {
        internal StatusEventArgs(int amount, short status, short mode)
        {
            Amount = amount;
            Status = (DeviceStatus)status;
            IsOpen = mode == 1;
        }

        // Minor units paid in by the current customer (or the rest).
        public int Amount { get; private set; }
        public DeviceStatus Status { get; private set; }
        // An operator is logged in.
        public bool IsOpen { get; private set; }
    }

    public class DeviceErrorEventArgs : EventArgs
    {
        internal DeviceErrorEventArgs(int code, string text, string extInfo)
        {
            Code = code;
            Text = text ?? "";
            ExtInfo = extInfo ?? "";
        }

        public int Code { get; private set; }
        public string Text { get; private set; }
        public string ExtInfo { get; private set; }
    }

    public class CashLevelEventArgs : EventArgs
    {
        internal CashLevelEventArgs(int denomination, int count, string extInfo)
        {
            Denomination = denomination;
            Count = count;
            ExtInfo = extInfo ?? "";
        }

        // Minor units of one note or coin.
        public int Denomination { get; private set; }
        public int Count { get; private set; }
        public string ExtInfo { get; private set; }
    }

    public class LevelWarningEventArgs : CashLevelEventArgs
    {
        internal LevelWarningEventArgs(int warningType, int denomination, int count, string typeString,
                                       string denominationString, string warningMessage, string extInfo)
            : base(denomination, count, extInfo)
        {
            WarningType = warningType;
            TypeString = typeString ?? "";
            DenominationString = denominationString ?? "";
            WarningMessage = warningMessage ?? "";
        }

        public int WarningType { get; private set; }
        public string TypeString { get; private set; }
        public string DenominationString { get; private set; }
        public string WarningMessage { get; private set; }
    }

    public class CashSessionEventArgs : EventArgs
    {
        internal CashSessionEventArgs(short infoType, int amount, string extInfo)
        {
            InfoType = infoType;
            Amount = amount;
            ExtInfo = extInfo ?? "";
        }

        public short InfoType { get; private set; }
        public int Amount { get; private set; }
        public string ExtInfo { get; private set; }
    }
}
