#pragma once
// A driver that wraps a real one and fails on demand at connect, prepare, execute or commit,
// the seams through which a test reproduces a failure in the middle of a transaction.

#include "host/sql/driver.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace hearth::test {

enum class FaultPoint : std::uint8_t { Connect, Prepare, Execute, Commit };

enum class FaultTiming : std::uint8_t {
    Before, // the backend never sees the call
    After,  // the backend did the work, then the failure is reported (a lost answer)
};

// Shared between a test and the drivers it installs: which call fails, and counters.
struct FaultPlan {
    FaultPoint point = FaultPoint::Execute;
    FaultTiming timing = FaultTiming::Before;
    int fail_at = -1; // 0-based index of the call at `point` that fails; -1: none
    int calls[4] = {0, 0, 0, 0};
    int failures = 0;
    // The backend the driver claims to be (the real one's when empty), and every text it
    // was asked to prepare.
    std::optional<sql::Dbms> claimed;
    std::vector<std::string> prepared;
    // True when this call at `point` is the one to fail (and counts it).
    bool hit(FaultPoint at);
};

// The factory to install with Transaction::set_driver_factory.
sql::DriverFactory faulty_factory(std::shared_ptr<FaultPlan> plan);

// The error text a planned failure reports.
inline constexpr const char* injected_error = "injected failure";

} // namespace hearth::test
