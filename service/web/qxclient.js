// qxclient.js - the till service's JavaScript client: one ES module, no
// build step.  A request is a promise of its answer; events come through
// on(name, handler).
//
//   import { QxClient } from "/qxclient.js";
//   const qx = await QxClient.connect("ws://127.0.0.1:8710/v1/ws", token);
//   qx.on("status", (e) => show(e.amount, e.status));
//   await qx.request("claim");
//   const a = await qx.request("amountDue", { amountDue: 730, text: "sale 42" });
//   // a.code 0, a.message "Done", a.out.amountRest 0
//
// Every answer resolves, also a refusal (code != 0): the code and message
// are the driver's, "device" tells whether the driver was called at all.
// The promise rejects only when the connection is gone: then the till
// does not know whether the device ran the request (see docs/service.md).

export class QxClient {
    // Opens the WebSocket, offering the subprotocol and the token.
    static connect(url, token) {
        return new Promise((resolve, reject) => {
            const socket = new WebSocket(url, ["qxd.v1", "qxd.token." + token]);
            const client = new QxClient(socket);
            socket.addEventListener("open", () => resolve(client), { once: true });
            socket.addEventListener("error", () => reject(new Error("cannot connect to " + url)),
                                    { once: true });
        });
    }

    constructor(socket) {
        this.socket = socket;
        this.nextId = 1;
        this.waiting = new Map();
        this.handlers = new Map();
        socket.addEventListener("message", (m) => this.receive(m.data));
        socket.addEventListener("close", (c) => this.closed(c));
    }

    // Resolves with the answer {id, code, name, message, out?, device, field?}.
    request(op, args = {}) {
        const id = this.nextId++;
        return new Promise((resolve, reject) => {
            if (this.socket.readyState !== WebSocket.OPEN)
                return reject(new Error("not connected"));
            this.waiting.set(id, { resolve, reject });
            this.socket.send(JSON.stringify({ id, op, args }));
        });
    }

    // handler(event) for "status", "error", "cashLevel", "levelWarning",
    // "cashSession", "operator", "control", "hello", "close", or "*" for all.
    on(name, handler) {
        if (!this.handlers.has(name)) this.handlers.set(name, new Set());
        this.handlers.get(name).add(handler);
        return () => this.handlers.get(name).delete(handler);
    }

    close() { this.socket.close(); }

    receive(data) {
        const message = JSON.parse(data);
        if ("id" in message && this.waiting.has(message.id)) {
            const { resolve } = this.waiting.get(message.id);
            this.waiting.delete(message.id);
            resolve(message);
        } else if (message.event) {
            this.emit(message.event, message);
        }
    }

    emit(name, event) {
        for (const key of [name, "*"])
            for (const handler of this.handlers.get(key) || []) handler(event);
    }

    closed(close) {
        for (const { reject } of this.waiting.values())
            reject(new Error("connection closed before the answer"));
        this.waiting.clear();
        this.emit("close", { event: "close", code: close.code, reason: close.reason });
    }
}
