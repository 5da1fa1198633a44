#!/usr/bin/env bash
# fleet-bench.sh [N] [ROUNDS] - the fleet's telemetry under load: N qxd
# services with their simulators (no busy time) publish to one Mosquitto
# broker on this machine while fleet-driver works every till ROUNDS times
# (a log-in, a payout of 1.00 and a log-out: three events per till and
# round; DRIVERS cashiers, default 4, share the tills).  Prints the time from each device report to a subscriber's hands
# at p50 and p99 (fleet-table), and the CPU and memory of the broker and of
# the services over the run.
#   examples/fleet/fleet-bench.sh 100 20
set -euo pipefail
source "$(dirname "$0")/fleet-common.sh"
n="${1:-100}"
rounds="${2:-20}"
export BUSY_MS=0
stock() { printf '100 = 100000\n'; }

ticks() {  # user + system CPU ticks of the given processes, summed
    local total=0 pid
    for pid in "$@"; do
        total=$((total + $(awk '{print $14 + $15}' "/proc/$pid/stat")))
    done
    echo "$total"
}
rss_kib() {  # resident KiB of the given processes, summed
    local total=0 pid
    for pid in "$@"; do
        total=$((total + $(awk '/^VmRSS/ {print $2}' "/proc/$pid/status")))
    done
    echo "$total"
}

start_broker
start_services "$n" stock
mapfile -t specs < <(till_specs)
events=$((n * rounds * 3))
"$FLEET_BIN/fleet-table" --port "$BROKER_PORT" --latency "$events" >"$FLEET_DIR/latency.txt" &
table=$!
sleep 1
broker0=$(ticks "$BROKER_PID"); services0=$(ticks "${SERVICE_PIDS[@]}"); start=$(date +%s.%N)
# DRIVERS cashiers at once, each at its share of the tills.
drivers="${DRIVERS:-4}"
driver_pids=()
for d in $(seq 0 $((drivers - 1))); do
    share=()
    for i in "${!specs[@]}"; do [ $((i % drivers)) -eq "$d" ] && share+=("${specs[$i]}"); done
    [ "${#share[@]}" -gt 0 ] && { "$FLEET_BIN/fleet-driver" "$rounds" 0 "${share[@]}" & driver_pids+=($!); }
done
for pid in "${driver_pids[@]}"; do wait "$pid"; done
wait "$table"
end=$(date +%s.%N); broker1=$(ticks "$BROKER_PID"); services1=$(ticks "${SERVICE_PIDS[@]}")
hz=$(getconf CLK_TCK)
cat "$FLEET_DIR/latency.txt"
awk -v s="$start" -v e="$end" -v b0="$broker0" -v b1="$broker1" -v v0="$services0" \
    -v v1="$services1" -v hz="$hz" -v n="$n" -v ev="$events" \
    -v brss="$(rss_kib "$BROKER_PID")" -v vrss="$(rss_kib "${SERVICE_PIDS[@]}")" 'BEGIN {
    t = e - s
    printf "%d services, %d events in %.1f s (%.0f events/s)\n", n, ev, t, ev / t
    printf "broker:   CPU %.1f%% of one core, resident %.1f MiB\n", 100 * (b1 - b0) / hz / t, brss / 1024
    printf "services: CPU %.1f%% of one core together (%.2f%% each), resident %.1f MiB each\n",
           100 * (v1 - v0) / hz / t, 100 * (v1 - v0) / hz / t / n, vrss / 1024 / n
}'
