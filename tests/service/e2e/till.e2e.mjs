// till.e2e.mjs - the web till served by qxd, in headless Chromium, against
// the simulator: a sale with change, a refund and a cancel.  Checks the
// page's text, the events it lists and the simulator's cash to the cent,
// and saves a screenshot.
// Usage: node till.e2e.mjs <qxd_e2e_host> <screenshot.png>
import { spawn } from "node:child_process";
import { randomBytes } from "node:crypto";
import { mkdtempSync, rmSync } from "node:fs";
import { tmpdir } from "node:os";
import { join } from "node:path";
import { createInterface } from "node:readline";
import assert from "node:assert/strict";
import { chromium } from "playwright-core";

const [hostProgram, screenshot] = process.argv.slice(2);
const WAIT = 30000;
const scratch = mkdtempSync(join(tmpdir(), "qxd-e2e-"));
const token = randomBytes(32).toString("hex");

// The host's answers, one line per command.
const host = spawn(hostProgram, [token], {
    env: { ...process.env, QXLOGS: join(scratch, "logs") },
    stdio: ["pipe", "pipe", "inherit"],
});
const lines = createInterface({ input: host.stdout });
const waiting = [], unread = [];
lines.on("line", (line) => (waiting.length ? waiting.shift()(line) : unread.push(line)));
const nextLine = () =>
    new Promise((resolve) => (unread.length ? resolve(unread.shift()) : waiting.push(resolve)));
const ask = async (command) => {
    const answer = nextLine();
    host.stdin.write(command + "\n");
    return answer;
};
const number = async (command) => Number(await ask(command));

const browser = await chromium.launchPersistentContext(join(scratch, "profile"), {
    executablePath: "/usr/bin/chromium",
    headless: true,
    viewport: { width: 760, height: 720 },
    args: ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
           "--disable-background-networking", "--disable-component-update", "--disable-sync"],
});
let failed = false;
try {
    const port = Number((await nextLine()).replace("port ", ""));
    const page = browser.pages()[0] || (await browser.newPage());
    page.setDefaultTimeout(WAIT);
    const text = (id) => page.locator("#" + id);
    // The page forbids eval (its Content-Security-Policy): poll from here.
    const expectText = async (id, wanted) => {
        const end = Date.now() + WAIT;
        let seen;
        while ((seen = await text(id).textContent()) !== wanted) {
            if (Date.now() > end) throw new Error(`#${id} shows "${seen}", not "${wanted}"`);
            await new Promise((resolve) => setTimeout(resolve, 20));
        }
    };

    await page.goto(`http://127.0.0.1:${port}/#token=${token}`);
    await expectText("connection", "Connected");
    await text("open").click();
    await expectText("result", "Till open");
    const held = await number("total");
    const box = await number("cashbox");

    // A sale of 7.30 paid with 10.00: 2.70 back.
    assert.equal(await ask("insert 1000"), "ok");
    await expectText("paid", "Paid in: 10.00");
    await text("due").fill("7.30");
    await text("sale").click();
    await expectText("result", "Sale 7.30 settled: paid 10.00, change 2.70");
    assert.equal(await number("total"), held + 730, "the sale keeps 7.30");

    // A refund of 5.00.
    await text("refundAmount").fill("5.00");
    await text("refund").click();
    await expectText("result", "Refund 5.00 paid out");
    assert.equal(await number("total"), held + 230, "the refund pays out 5.00");

    // A sale cancelled after 20.00 was paid in: all of it back.
    assert.equal(await ask("insert 2000"), "ok");
    await expectText("paid", "Paid in: 20.00");
    await text("cancel").click();
    await expectText("result", "Sale cancelled: 20.00 returned");
    await expectText("paid", "Paid in: 0.00");
    assert.equal(await number("total"), held + 230, "the cancel returns the 20.00");
    const boxAfter = await number("cashbox");
    assert.equal(boxAfter, box + 1000, "the sale's 10.00 booked into the cash box, nothing else");

    const events = await page.locator("#events li").allTextContents();
    for (const wanted of ["control: you", "operator 1 logged in",
                          "status: paid in 10.00, idle, pay-in enabled, open",
                          "status: paid in 20.00, idle, pay-in enabled, open"])
        assert.ok(events.includes(wanted), `event "${wanted}" shown; shown: ${events.join(" | ")}`);
    await page.screenshot({ path: screenshot });
    console.log(`web till: sale, refund and cancel passed; cash ${held} -> ${held + 230}, ` +
                `cash box ${box} -> ${boxAfter}; ${events.length} events shown; screenshot ${screenshot}`);
} catch (error) {
    failed = true;
    console.error("web till test failed:", error.message);
} finally {
    await browser.close();
    host.stdin.write("quit\n");
    await new Promise((resolve) => host.on("exit", resolve));
    rmSync(scratch, { recursive: true, force: true });
}
process.exit(failed ? 1 : 0);
