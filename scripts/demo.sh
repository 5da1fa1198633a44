#!/usr/bin/env bash
# demo.sh - builds only what the demo needs (the driver, the device
# simulator and the demo till, native, in build-demo/) and runs the demo
# till against the simulator.  Its logs go to build-demo/logs unless
# QXLOGS names another folder.
#
# The build is nearly all of the demo's time (the shift itself takes under
# a second), so it is made for compile speed: no optimisation, and the
# standard headers precompiled once per target (QX_PRECOMPILE_STD_HEADERS).
set -euo pipefail
source "$(dirname "$0")/common.sh"

BUILD="$QX_ROOT/build-demo"
qx_say "configuring build-demo/ (driver, simulator and till; no tests)"
qx_build "$BUILD" qxlogics DorvoLINK qxtill -- -DCMAKE_BUILD_TYPE= \
    -DQX_PRECOMPILE_STD_HEADERS=ON -DQX_BUILD_TESTS=OFF -DQX_BUILD_BENCH=OFF
export QXLOGS="${QXLOGS:-$BUILD/logs}"
qx_say "running the demo till (logs in $QXLOGS)"
exec "$BUILD/bin/qxtill" demo "$@"
