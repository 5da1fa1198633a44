// export_turn.cpp - the one turn of the exports (export_turn.h).
#include "api/export_turn.h"

#include <atomic>

#include "core/device_reports.h"

namespace qxapi {

namespace {

std::atomic<bool> g_bTurnTaken{false};

}  // namespace

bool takeExportTurn() {
    bool expected = false;
    return g_bTurnTaken.compare_exchange_strong(expected, true);
}

void releaseExportTurn() {
    // Between calls no wait reads the record: it keeps nothing.
    g_deviceReports.endOperation();
    g_bTurnTaken.store(false);
}

}  // namespace qxapi
