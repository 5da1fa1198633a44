#!/usr/bin/env bash
# fleet.sh [N] - a chain's fleet on one machine: one Mosquitto broker on
# loopback, N till services (qxd), each with its own simulated recycler
# whose 1.00 coins run low at a different time, publishing their telemetry
# to it; a cashier (fleet-driver) pays 1.00 out at every till ROUNDS times;
# then fleet-table, joining late, shows every till's retained state and
# levels.  WATCH=1 shows the table live while the cashier works.
#   examples/fleet/fleet.sh 5
#   ROUNDS=30 WATCH=1 examples/fleet/fleet.sh 10
set -euo pipefail
source "$(dirname "$0")/fleet-common.sh"
n="${1:-5}"
rounds="${ROUNDS:-5}"

# Till i starts with 4 + i coins of 1.00 (low at 5, empty at 0).
stock() { printf '100 = %d low=5 empty=0\n50 = 200\n2000 = 20\n' $((4 + $1)); }

start_broker
start_services "$n" stock
echo "broker on 127.0.0.1:$BROKER_PORT, $n tills; folder $FLEET_DIR"
mapfile -t specs < <(till_specs)
if [ "${WATCH:-0}" = 1 ]; then
    "$FLEET_BIN/fleet-driver" "$rounds" 500 "${specs[@]}" &
    driver=$!
    "$FLEET_BIN/fleet-table" --port "$BROKER_PORT" &
    table=$!
    wait "$driver"; sleep 2; kill "$table"
else
    "$FLEET_BIN/fleet-driver" "$rounds" 0 "${specs[@]}"
    "$FLEET_BIN/fleet-table" --port "$BROKER_PORT" --for 1
fi
