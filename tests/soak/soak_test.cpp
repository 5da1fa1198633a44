// soak_test.cpp - thousands of sale cycles through the exports against the
// simulator, with seeded random faults: busy spells, refused answers,
// jams, malformed reports, lost reports, queue floods and the per-time
// payout limit.  Afterwards the library still answers, its memory has not
// grown, the queues and the paid-out list agree with what the till saw,
// and the device's cash matches the operations that returned OK.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>

#include "tests/soak/soak_config.h"
#include "tests/soak/soak_cycles.h"
#include "tests/soak/soak_till.h"
#include "tests/support/api_loader.h"
#include "tests/support/process_probe.h"
#include "tests/support/test_env.h"

namespace qxtest {
namespace {

const LoadedApi* loadForSoak() {
    if (!apiLoaded()) {
        setEnv("QXLOGS", makeTempDir("soak_logs"));
        setEnv("QXCONFIG", makeTempDir("soak_config"));
    }
    std::string error;
    const LoadedApi* api = loadApi(error);
    EXPECT_NE(api, nullptr) << error;
    return api;
}

// Resident memory may settle during the first quarter of the run; after
// that it must stay flat apart from allocator noise.
class ResidentWatch {
public:
    explicit ResidentWatch(int cycles) : m_warmUp(cycles / 4) {}
    bool meaningful() const { return !onWindows() && !sanitizerBuild() && !underValgrind(); }
    void afterCycle(int done) {
        if (done == m_warmUp && meaningful()) m_start = residentKiB();
    }
    void expectFlat() const {
        if (!meaningful() || m_start < 0) return;
        const long growth = residentKiB() - m_start;
        std::printf("[ soak     ] resident growth after warm-up: %ld KiB\n", growth);
        EXPECT_LT(growth, 2048) << "resident memory grew during the soak";
    }

private:
    int m_warmUp;
    long m_start = -1;
};

TEST(SoakTest, SaleCyclesUnderRandomFaultsKeepEveryAmountAccountedFor) {
    const LoadedApi* api = loadForSoak();
    ASSERT_NE(api, nullptr);
    api->sim.qxsim_reset();
    const SoakConfig config = SoakConfig::fromEnvironment();
    std::printf("[ soak     ] QX_SOAK_SEED=%u QX_SOAK_CYCLES=%d QX_SOAK_SECONDS=%d busy %d ms\n",
                config.seed, config.cycles, config.seconds, config.busyMs);
    std::fflush(stdout);

    SoakTill till(api->qx, api->sim, config.seed, config.slowFaults);
    ASSERT_NO_FATAL_FAILURE(till.open(config.busyMs));
    ASSERT_FALSE(::testing::Test::HasFailure());

    ResidentWatch resident(config.cycles);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(config.seconds);
    int done = 0;
    while (done < config.cycles && std::chrono::steady_clock::now() < deadline) {
        till.cycle();
        ++done;
        resident.afterCycle(done);
        // One broken cycle spoils the ledger for every later one.
        if (::testing::Test::HasFailure()) {
            ADD_FAILURE() << "stopped in sale " << till.saleNumber() << "; replay with QX_SOAK_SEED="
                          << config.seed;
            break;
        }
    }
    till.close();
    resident.expectFlat();

    std::printf("[ soak     ] %d cycles, device total %lld, inserted %lld, paid out %lld, "
                "returned %lld, booked %lld, refilled %lld\n",
                done, api->sim.qxsim_total_value(), till.ledger.inserted, till.ledger.paidOut,
                till.ledger.returned, till.ledger.booked, till.ledger.refilled);
    for (const auto& entry : till.tally)
        std::printf("[ soak     ]   %-26s %d\n", entry.first.c_str(), entry.second);
    EXPECT_GT(done, 0);
    api->sim.qxsim_reset();
}

}  // namespace
}  // namespace qxtest
