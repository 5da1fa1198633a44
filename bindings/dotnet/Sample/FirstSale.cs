// FirstSale.cs - a C# till's first sale, as "qxtill demo" opens its shift:
// open the till, an operator signs in, 12.50 is due and the customer pays
// exactly, the operator signs out, the till closes. Exits 1 on any
// unexpected result.
//
// The customer is played through the simulator's control entries in the
// loaded device library; against a real device library those steps are
// skipped with a note.
using System;
using System.Collections.Concurrent;
using System.Runtime.InteropServices;
using QXLogics;

static class FirstSale
{
    static readonly ConcurrentQueue<string> s_events = new ConcurrentQueue<string>();
    static int s_unexpected;

    static int Main(string[] args)
    {
        string port = "Type:RS232;Name:" + (args.Length > 0 ? args[0] : "COM1");
        bool simulated = Customer.Present();
        if (!simulated) Console.WriteLine("No simulator controls: the customer's steps are skipped.");

        using (CashRecycler till = new CashRecycler())
        {
            // Raised on the driver's delivery thread: only note them here.
            till.StatusChanged += (s, e) => s_events.Enqueue("status: amount=" + Format(e.Amount) + " " + e.Status +
                                                             (e.IsOpen ? ", open" : ", closed"));
            till.ErrorReported += (s, e) => s_events.Enqueue("error " + e.Code + ": " + e.Text);
            till.CashLevelChanged += (s, e) => s_events.Enqueue("cash level: " + Format(e.Denomination) + " x" + e.Count);
            till.CashSession += (s, e) => s_events.Enqueue("cash session " + e.InfoType + ": " + Format(e.Amount));

            Step("Open the till: register for events, initialise the driver");
            if (!Expect(till.Open(port))) return 1;

            Step("The operator signs in");
            Expect(till.SignIn(1, 1));
            Expect(till.IsOpen());
            Expect(till.GetInfo());

            Step("Sale 1: 12.50 due, the customer pays exactly");
            int due = Money.ToMinorUnits(12.50m);
            Expect(till.AcceptCash());
            if (simulated)
            {
                Console.WriteLine("    customer inserts " + Format(due));
                if (Customer.Insert(due) != 0) Complain("the device did not take the cash");
                Settle();
                Expect(till.Settle(due, "sale 1"));
            }
            else
            {
                Console.WriteLine("    (no simulator: the customer would insert " + Format(due) + " now - skipped)");
            }

            Step("The operator signs out");
            Expect(till.SignOut());
            Step("Close the till");
            Expect(till.Close());
        }
        Console.WriteLine();
        Console.WriteLine("First sale finished: " + s_unexpected + " unexpected result" + (s_unexpected == 1 ? "." : "s."));
        return s_unexpected == 0 ? 0 : 1;
    }

    static void Step(string title)
    {
        Console.WriteLine();
        Console.WriteLine(title);
    }

    static bool Expect(QxResult result)
    {
        Console.WriteLine("    " + result);
        Settle();
        if (result.Status == QxStatus.Ok) return true;
        Complain("expected Ok");
        return false;
    }

    static void Complain(string what)
    {
        ++s_unexpected;
        Console.WriteLine("    !! " + what);
    }

    // Lets the device finish reporting, then prints what it reported.
    static void Settle()
    {
        Customer.WaitIdle();
        string line;
        while (s_events.TryDequeue(out line)) Console.WriteLine("      event " + line);
    }

    static string Format(int minorUnits)
    {
        return Money.FromMinorUnits(minorUnits).ToString("0.00");
    }

    // The simulator's control entries, when the device library has them.
    static class Customer
    {
        const string Device = "DorvoLINK";

        public static bool Present()
        {
            try
            {
                qxsim_wait_idle(0);
                return true;
            }
            catch (DllNotFoundException) { return false; }
            catch (EntryPointNotFoundException) { return false; }
        }

        public static int Insert(int amount) { return qxsim_insert(amount); }

        public static void WaitIdle()
        {
            try { qxsim_wait_idle(3000); }
            catch (DllNotFoundException) { }
            catch (EntryPointNotFoundException) { }
        }

        [DllImport(Device, CallingConvention = CallingConvention.Cdecl)]
        static extern int qxsim_insert(int amount);

        [DllImport(Device, CallingConvention = CallingConvention.Cdecl)]
        static extern int qxsim_wait_idle(int timeoutMs);
    }
}
