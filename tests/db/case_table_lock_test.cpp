// The lock that serialises card imports into one case table.
#include "case_backend.h"

#include "db/case_table_lock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <optional>
#include <thread>

namespace dbtest {
namespace {

using namespace db;
using namespace std::chrono_literals;

class CaseTableLockTest : public testing::TestWithParam<Backend> {};

TEST_P(CaseTableLockTest, ASecondImportWaitsUntilTheFirstEnds)
{
    CaseBackend backend(GetParam());
    ASSERT_TRUE(backend.problem().isEmpty()) << backend.problem().toStdString();
    const auto never = [] { return false; };
    auto first = CaseTableLock::Acquire(never);
    ASSERT_TRUE(first.ok()) << first.error().text.toStdString();
    std::optional<CaseTableLock> held(std::move(first).value());
    if (GetParam() == Backend::Sqlite) { // the start folder's import lock serialises these
        EXPECT_TRUE(CaseTableLock::Acquire(never).ok());
        return;
    }
    const auto refused = CaseTableLock::Acquire(never);
    ASSERT_FALSE(refused.ok());
    EXPECT_EQ(refused.error().text, QStringLiteral("stopped"));

    std::atomic<int> waits{0};
    std::atomic<bool> granted{false};
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    std::thread second([&] {
        auto lock = CaseTableLock::Acquire([&] { return std::chrono::steady_clock::now() < deadline; },
                                           [&] { ++waits; });
        granted = lock.ok();
    });
    std::this_thread::sleep_for(350ms);
    EXPECT_EQ(waits, 1);
    EXPECT_FALSE(granted);
    held.reset();
    second.join();
    EXPECT_TRUE(granted);
}

INSTANTIATE_TEST_SUITE_P(Backends, CaseTableLockTest, testing::Values(Backend::Sqlite, Backend::Postgres),
                         BackendName);

} // namespace
} // namespace dbtest
