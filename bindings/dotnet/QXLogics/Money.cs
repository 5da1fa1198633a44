// Money.cs - amounts in minor units (1250 = 12.50 with two decimals), the
// driver's only unit, to and from decimal currency.
using System;

namespace QXLogics
{
    public static class Money
    {
        // The largest amount a device command carries (eight digits).
        public const int MaxAmount = 99999999;

        // 12.50m -> 1250. Refuses fractions finer than the currency's
        // decimals and amounts outside 0 to MaxAmount.
        public static int ToMinorUnits(decimal amount, int decimals = 2)
        {
            decimal scaled = amount * Scale(decimals);
            if (scaled != decimal.Truncate(scaled))
                throw new ArgumentException(amount + " has more than " + decimals + " decimals", "amount");
            if (scaled < 0 || scaled > MaxAmount)
                throw new ArgumentOutOfRangeException("amount", amount, "outside 0 to " + MaxAmount + " minor units");
            return (int)scaled;
        }

        // 1250 -> 12.50m.
        public static decimal FromMinorUnits(int minorUnits, int decimals = 2)
        {
            return minorUnits / Scale(decimals);
        }

        static decimal Scale(int decimals)
        {
            if (decimals < 0 || decimals > 8) throw new ArgumentOutOfRangeException("decimals");
            decimal scale = 1;
            for (int i = 0; i < decimals; ++i) scale *= 10;
            return scale;
        }
    }
}
