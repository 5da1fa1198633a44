# fleet-common.sh - what fleet.sh and fleet-bench.sh share: a scratch
# folder, one Mosquitto broker on a free loopback port, and N qxd services
# with their simulators publishing to it.  Sourced, not run.
#   BUILD  the build folder with qxd, fleet-table and fleet-driver
#          (default build/, configured with -DQX_BUILD_SERVICE=ON)
FLEET_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
FLEET_BIN="${BUILD:-$FLEET_ROOT/build}/bin"
FLEET_DIR="$(mktemp -d /tmp/qxfleet.XXXXXX)"
FLEET_PIDS=()
SERVICE_PIDS=()
BROKER_PID=""
BROKER_PORT=""

fleet_cleanup() {
    local pid
    for pid in "${SERVICE_PIDS[@]}" $BROKER_PID; do kill "$pid" 2>/dev/null || true; done
    for pid in "${SERVICE_PIDS[@]}" $BROKER_PID; do wait "$pid" 2>/dev/null || true; done
    rm -rf "$FLEET_DIR"
}
trap fleet_cleanup EXIT

# A loopback port nobody listens on.
free_port() {
    local port
    while :; do
        port=$((20000 + RANDOM % 40000))
        (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null || { echo "$port"; return; }
    done
}

wait_for() {  # wait_for <seconds> <command...>
    local tries=$(($1 * 10)); shift
    until "$@"; do
        tries=$((tries - 1)); [ "$tries" -gt 0 ] || return 1
        sleep 0.1
    done
}

start_broker() {
    BROKER_PORT="$(free_port)"
    cat >"$FLEET_DIR/mosquitto.conf" <<CONF
user $(id -un)
listener $BROKER_PORT 127.0.0.1
allow_anonymous true
CONF
    /usr/sbin/mosquitto -c "$FLEET_DIR/mosquitto.conf" >"$FLEET_DIR/mosquitto.log" 2>&1 &
    BROKER_PID=$!
    wait_for 10 bash -c "exec 3<>/dev/tcp/127.0.0.1/$BROKER_PORT" 2>/dev/null ||
        { echo "the broker did not start: $(cat "$FLEET_DIR/mosquitto.log")" >&2; return 1; }
}

# start_services <n> <stock text of till i, from a function name>: each qxd
# on a free port of its own choosing; prints nothing, fills SERVICE_PIDS and
# the folders till-<i>/ (qxd.conf, token, port, qxd.log, logs/).
start_services() {
    local n="$1" stock="$2" i dir
    for i in $(seq 1 "$n"); do
        dir="$FLEET_DIR/till-$i"
        mkdir -p "$dir/logs"
        "$stock" "$i" >"$dir/stock.txt"
        cat >"$dir/qxd.conf" <<CONF
[service]
port = 0
token_file = $dir/token

[telemetry]
enabled = true
port = $BROKER_PORT
site = ${FLEET_SITE:-store-1}
till = till-$(printf '%03d' "$i")
CONF
        QXLOGS="$dir/logs" QXCONFIG="$dir" QXSIM_CONFIG="$dir/stock.txt" \
            QXSIM_MS_PER_CHAR=0 QXSIM_BUSY_MS="${BUSY_MS:-20}" \
            "$FLEET_BIN/qxd" --config "$dir/qxd.conf" >"$dir/qxd.log" 2>&1 &
        SERVICE_PIDS+=($!)
    done
    for i in $(seq 1 "$n"); do
        dir="$FLEET_DIR/till-$i"
        wait_for 30 grep -q "listening on port" "$dir/qxd.log" ||
            { echo "till $i did not start: $(cat "$dir/qxd.log")" >&2; return 1; }
        sed -n 's/.*listening on port \([0-9]*\).*/\1/p' "$dir/qxd.log" | head -1 >"$dir/port"
    done
}

# PORT:TOKENFILE of every till, for fleet-driver.
till_specs() {
    local dir
    for dir in "$FLEET_DIR"/till-*; do echo "$(cat "$dir/port"):$dir/token"; done
}
