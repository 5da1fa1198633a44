// CashRecyclerTests.cs - the binding against the built driver and the
// device simulator: a sale, an unpayable refund, events by callback and by
// window message, texts and out-values, the registration rules, dispose,
// and delegates that must outlive the objects that registered them.
using System;
using System.IO;
using System.Runtime.CompilerServices;
using System.Threading;
using NUnit.Framework;
using QXLogics;

namespace QXLogics.Tests
{
    [TestFixture]
    public class CashRecyclerTests
    {
        const string Port = "Type:RS232;Name:COM1";
        static readonly string LongTranslation = new string('#', 300);
        static int s_forgottenStatusEvents;
        CashRecycler m_recycler;
        EventLog m_events;

        // Settings, texts and logs in the work folder (nunit-console -work).
        // The driver reads them when it is loaded and at its first message,
        // so they are set before any call reaches it.
        [TestFixtureSetUp]
        public void PrepareFolders()
        {
            string root = Path.Combine(TestContext.CurrentContext.WorkDirectory, "qxlogics-tests");
            if (Directory.Exists(root)) Directory.Delete(root, true);
            Directory.CreateDirectory(Path.Combine(root, "config"));
            File.WriteAllText(Path.Combine(root, "config", "qxlang.ini"),
                              "[Lang]\nAmount to dispense too big=" + LongTranslation + "\n");
            Environment.SetEnvironmentVariable("QXCONFIG", Path.Combine(root, "config"));
            Environment.SetEnvironmentVariable("QXLOGS", Path.Combine(root, "logs"));
        }

        [SetUp]
        public void FreshDevice()
        {
            Sim.qxsim_reset();
            m_recycler = new CashRecycler();
            m_events = new EventLog(m_recycler);
        }

        // Whatever a case left open is closed, so the next registers afresh.
        [TearDown]
        public void CloseDevice()
        {
            m_recycler.Dispose();
            NativeMethods.exitQX(NativeMethods.NewBuffer());
        }

        void OpenAndSignIn()
        {
            Assert.AreEqual("initQX: 0 (Ok) Done", m_recycler.Open(Port).ToString());
            Assert.AreEqual(QxStatus.Ok, m_recycler.SignIn(1, 1).Status);
        }

        [Test]
        public void SaleWithChangeKeepsTheDueAmountAndReportsTheSession()
        {
            OpenAndSignIn();
            Assert.AreEqual(QxStatus.Ok, m_recycler.AcceptCash().Status);
            long before = Sim.qxsim_total_value();
            Assert.AreEqual(0, Sim.qxsim_insert(Money.ToMinorUnits(10.00m)));
            Sim.Settle();

            Assert.AreEqual("amountDueQX: 0 (Ok) Done", m_recycler.Settle(Money.ToMinorUnits(7.30m), "sale 42").ToString());
            Sim.Settle();
            Assert.AreEqual(before + 730, Sim.qxsim_total_value());
            Assert.AreEqual(QxStatus.Ok, m_recycler.SignOut().Status);
            Sim.Settle();

            string seen = string.Join("\n", m_events.Lines);
            Assert.That(m_events.Lines, Has.Member("status 1000 AcceptingCash open"), seen);
            Assert.AreEqual("session 2 270 CR/WD00000270", m_events.First("session 2 "), seen);
            Assert.AreEqual("session 3 1000 CR/RF00001000", m_events.First("session 3 "), seen);
        }

        [Test]
        public void UnpayableRefundAnswersWithTheRestOrThrows()
        {
            OpenAndSignIn();
            Assert.AreEqual(QxStatus.Ok, m_recycler.StopAcceptingCash().Status);
            int unpaid = Money.MaxAmount - (int)Sim.qxsim_total_value();

            QxResult refund = m_recycler.PayOut(Money.MaxAmount, "refund");
            Assert.AreEqual("dispenseQX: 8 (NotPossible) Not possible (rest) (rest " + unpaid + ")", refund.ToString());
            Assert.IsNotNull(m_events.First("level "), string.Join("\n", m_events.Lines));
            Assert.IsNotNull(m_events.First("warning "));

            m_recycler.ThrowOnFailure = true;
            QxException thrown = Assert.Throws<QxException>(() => m_recycler.PayOut(Money.MaxAmount, "refund"));
            Assert.AreEqual(QxStatus.NotPossible, thrown.Status);
            Assert.AreEqual(unpaid, thrown.Result.Rest);
        }

        // The same device reports reach the application alike either way.
        [TestCase(false)]
        [TestCase(true)]
        public void EventsArriveByCallbackOrByWindowMessage(bool byWindow)
        {
            using (EventPipe pipe = new EventPipe())
            {
                if (byWindow) Assert.AreEqual(QxStatus.Ok, m_recycler.UseWindow(pipe.Window).Status);
                Assert.AreEqual(QxStatus.Ok, m_recycler.Open(Port).Status);
                Sim.qxsim_inject_callback("a0000120001");
                Sim.qxsim_inject_callback("b0000000021JAM AT 50% NT 12");
                Sim.qxsim_inject_callback("b000000003105 20 50%       ");
                Sim.qxsim_inject_callback("b0000000031CR/WD00004200 50%");
                Sim.Settle();
                Assert.AreEqual(byWindow ? 6 : 0, pipe.Drain(m_recycler));
            }
            CollectionAssert.AreEqual(new[] {
                "status 1200 AcceptingCash open",
                "status 0 Error open",
                "error 12 Error Code 12 / ErrorInfo Not set",
                "status 0 Idle open",
                "level 2000 x5 05 20 50%       ",
                "warning 2 2000 x5 Low|20|20 Low (5 Left)",
                "session 2 4200 CR/WD00004200 50%",
            }, m_events.Lines, string.Join("\n", m_events.Lines));
        }

        [Test]
        public void TextsAndValuesComeBackWhole()
        {
            Assert.AreEqual("isOpenQX: 2 (Error) Not initiated [False]", m_recycler.IsOpen().ToString());
            OpenAndSignIn();
            Assert.AreEqual("isOpenQX: 0 (Ok) Done [True]", m_recycler.IsOpen().ToString());
            Assert.AreEqual("infoQX: 0 (Ok) Done [level 1, commands \"abcdefghx1234\", master \"01.23\", info \"QuaxVault\"]",
                            m_recycler.GetInfo().ToString());

            // A translation longer than any buffer is cut to fit, terminator included.
            QxResult tooBig = m_recycler.PayOut(Money.MaxAmount + 1);
            Assert.AreEqual(QxStatus.InputParamError, tooBig.Status);
            Assert.AreEqual(LongTranslation.Substring(0, NativeMethods.QX_BUFFER_CAPACITY - 1), tooBig.Message);
        }

        [Test]
        public void MoneyConvertsExactlyOrRefuses()
        {
            Assert.AreEqual(1250, Money.ToMinorUnits(12.5m));
            Assert.AreEqual(1234, Money.ToMinorUnits(1234m, 0));
            Assert.AreEqual(12.5m, Money.FromMinorUnits(1250));
            Assert.Throws<ArgumentException>(() => Money.ToMinorUnits(0.005m));
            Assert.Throws<ArgumentOutOfRangeException>(() => Money.ToMinorUnits(-0.01m));
            Assert.Throws<ArgumentOutOfRangeException>(() => Money.ToMinorUnits(1000000m));
        }

        [Test]
        public void EventsComeOneWayOnlyAndOpeningNeedsAWay()
        {
            System.Text.StringBuilder message = NativeMethods.NewBuffer();
            Assert.AreEqual(2, NativeMethods.initQX(Port, "", message));
            Assert.AreEqual("No Event or callback defined", message.ToString());
            Assert.AreEqual(4, NativeMethods.registerEventsQX((a, s, m) => { }, (c, t, e) => { }, null, message));
            Assert.AreEqual("empty callbacks", message.ToString());

            using (EventPipe pipe = new EventPipe())
            using (CashRecycler byCallbacks = new CashRecycler(true))
            {
                Assert.AreEqual(QxStatus.Ok, m_recycler.UseWindow(pipe.Window).Status);
                QxException refused = Assert.Throws<QxException>(() => byCallbacks.Open(Port));
                Assert.AreEqual("registerEvents23QX: 2 (Error) Hwnd already set", refused.Message);
                Assert.AreEqual(QxStatus.Ok, m_recycler.Open(Port).Status);
                // Closing forgets the window: callbacks are welcome again.
                Assert.AreEqual(QxStatus.Ok, m_recycler.Close().Status);
                Assert.AreEqual(QxStatus.Ok, byCallbacks.Open(Port).Status);
                Assert.AreEqual("registerHwndQX: 2 (Error) callbacks already set",
                                new CashRecycler().UseWindow(pipe.Window).ToString());
            }
        }

        [Test]
        public void DisposeClosesWhatWasNotClosed()
        {
            using (CashRecycler recycler = new CashRecycler())
            {
                Assert.AreEqual(QxStatus.Ok, recycler.Open(Port).Status);
                Assert.AreEqual(QxStatus.Ok, recycler.SignIn(1, 1).Status);
            }
            Assert.AreEqual("isOpenQX: 2 (Error) Not initiated [False]", m_recycler.IsOpen().ToString());
            OpenAndSignIn();
        }

        // The till keeps no reference to its recycler: only the driver's
        // registration does, through the binding. Collections run while the
        // device keeps calling in.
        [Test]
        public void RegisteredDelegatesSurviveCollections()
        {
            const int callbacks = 10000;
            OpenUnreferencedRecycler();
            for (int i = 1; i <= callbacks; ++i)
            {
                Sim.qxsim_inject_callback("a" + i.ToString("D8") + "01");
                if (i % 250 != 0) continue;
                GC.Collect();
                GC.WaitForPendingFinalizers();
            }
            Sim.Settle();
            // The driver's delivery thread hands the events over a moment
            // after the device library took them in.
            Sim.Within5s(() => Volatile.Read(ref s_forgottenStatusEvents) == callbacks);
            Assert.AreEqual(callbacks, Volatile.Read(ref s_forgottenStatusEvents));
        }

        [MethodImpl(MethodImplOptions.NoInlining)]
        static void OpenUnreferencedRecycler()
        {
            s_forgottenStatusEvents = 0;
            CashRecycler recycler = new CashRecycler();
            recycler.StatusChanged += (s, e) => Interlocked.Increment(ref s_forgottenStatusEvents);
            Assert.AreEqual(QxStatus.Ok, recycler.Open(Port).Status);
        }
    }
}
