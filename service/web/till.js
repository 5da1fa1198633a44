// till.js - the web till's logic on qxclient.js: opens a session, settles
// a sale with change, refunds, cancels, and lists every event.
import { QxClient } from "/qxclient.js";

const $ = (id) => document.getElementById(id);
const money = (cents) => (cents / 100).toFixed(2);
const cents = (text) => Math.round(parseFloat(text.replace(",", ".")) * 100);
const STATUS = ["idle, pay-in enabled", "busy", "error", "idle, pay-in disabled"];
let paidIn = 0;

function describe(e) {
    switch (e.event) {
    case "status": return `status: paid in ${money(e.amount)}, ${STATUS[e.status] || e.status}, ${e.mode ? "open" : "closed"}`;
    case "error": return `error ${e.errorCode}: ${e.errorText} (${e.extInfo})`;
    case "cashLevel": return `cash level: ${e.count} of ${money(e.denomination)} (${e.extInfo})`;
    case "levelWarning": return `level warning: ${e.warningMessage}, ${e.count} of ${money(e.denomination)}`;
    case "cashSession": return `cash session ${e.infoType}: ${money(e.amount)} (${e.extInfo})`;
    case "operator": return `operator ${e.user} ${e.loggedIn ? "logged in" : "logged out"}`;
    case "control": return `control: ${e.control}`;
    default: return e.event;
    }
}

function showPaid(amount) {
    paidIn = amount;
    $("paid").textContent = `Paid in: ${money(amount)}`;
}

function show(text, failed = false) {
    $("result").textContent = text;
    $("result").className = failed ? "failed" : "";
}

// Runs the steps in order; the first answer that is not 0 stops them and
// is shown with the driver's code and message.
async function run(qx, steps) {
    let answer = null;
    for (const [op, args] of steps) {
        answer = await qx.request(op, args);
        if (answer.code !== 0) {
            show(`${op}: ${answer.code} ${answer.name} - ${answer.message}`, true);
            return null;
        }
    }
    return answer;
}

function enable(open) {
    $("open").disabled = open;
    for (const id of ["close", "sale", "cancel", "refund"]) $(id).disabled = !open;
}

async function main() {
    const token = new URLSearchParams(location.hash.slice(1)).get("token") || "";
    let qx;
    try {
        qx = await QxClient.connect(`ws://${location.host}/v1/ws`, token);
    } catch (error) {
        $("connection").textContent = "Not connected: the page needs #token=… from qxd's token file";
        return;
    }
    $("connection").textContent = "Connected";
    qx.on("*", (e) => {
        if (e.event === "hello") return;
        const item = document.createElement("li");
        item.textContent = describe(e);
        $("events").append(item);
        $("events").scrollTop = $("events").scrollHeight;
    });
    qx.on("status", (e) => {
        showPaid(e.amount);
        $("device").textContent = `Device: ${STATUS[e.status] || e.status}`;
    });
    qx.on("close", () => { $("connection").textContent = "Connection lost"; enable(false); $("open").disabled = true; });
    $("open").disabled = false;

    $("open").onclick = async () => {
        if (await run(qx, [["claim"], ["init"], ["login", { user: 1, password: 1 }], ["enablePayin"]])) {
            enable(true);
            show("Till open");
        }
    };
    $("close").onclick = async () => {
        if (await run(qx, [["logout"], ["exit"], ["release"]])) { enable(false); show("Till closed"); }
    };
    $("sale").onclick = async () => {
        const due = cents($("due").value), paid = paidIn;
        const answer = await run(qx, [["amountDue", { amountDue: due, text: "web till sale" }]]);
        if (!answer) return;
        // Booked: nothing is paid in any more, whether or not the device's
        // report of it arrives as an event.
        showPaid(0);
        const rest = answer.out.amountRest;
        show(`Sale ${money(due)} settled: paid ${money(paid)}, change ${money(paid - due - rest)}` +
             (rest ? `, not paid back ${money(rest)}` : ""));
    };
    $("cancel").onclick = async () => {
        const paid = paidIn;
        if (!(await run(qx, [["regret", { regretType: 1 }]]))) return;
        showPaid(0);
        show(`Sale cancelled: ${money(paid)} returned`);
    };
    $("refund").onclick = async () => {
        const amount = cents($("refundAmount").value);
        const answer = await run(qx, [["disablePayin"], ["dispense", { amount, text: "web till refund" }]]);
        if (!answer) return;
        await run(qx, [["enablePayin"]]);
        const rest = answer.out.amountRest;
        show(`Refund ${money(amount)} paid out` + (rest ? `, could not pay ${money(rest)}` : ""));
    };
}

main();
