#!/usr/bin/env bash
# demo.sh - builds the native release and runs the demo till against the
# device simulator; without the till, a smoke run of the exported
# interface's tests stands in.
set -euo pipefail
source "$(dirname "$0")/common.sh"

BUILD="$QX_ROOT/build"
qx_build "$BUILD" all -- -DCMAKE_BUILD_TYPE=Release
if [ -x "$BUILD/bin/qxtill" ]; then
    exec "$BUILD/bin/qxtill" demo "$@"
fi
qx_say "no demo till built: smoke run of the exported interface"
exec "$BUILD/bin/qx_api_tests" --gtest_brief=1
