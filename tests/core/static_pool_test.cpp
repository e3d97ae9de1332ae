#include "runtime/core/static_pool.h"

#include <gtest/gtest.h>

#include <cstring>

#include "runtime/core/error_state.h"
#include "runtime/host/headless/headless_host.h"

namespace zl {
namespace {

class StaticPoolTest : public ::testing::Test {
protected:
    HeadlessHost host;
};

TEST_F(StaticPoolTest, StartsWithAMegabyteAndRoundsBlocksToEight) {
    EXPECT_EQ(static_pool.limit - static_pool.base, kStaticPoolStartSize);
    EXPECT_EQ(static_pool.next, static_pool.base);
    auto* first = static_cast<uint8_t*>(static_alloc(4));
    auto* second = static_cast<uint8_t*>(static_alloc(9));
    auto* third = static_cast<uint8_t*>(static_alloc(0));
    EXPECT_EQ(first, static_pool.base);
    EXPECT_EQ(second, first + 8);
    EXPECT_EQ(third, second + 16);
    EXPECT_EQ(static_pool.next, third);
}

TEST_F(StaticPoolTest, GrowthTakesANewPoolAndKeepsEarlierBlocks) {
    auto* early = static_cast<uint8_t*>(static_alloc(kStaticPoolStartSize - 16));
    std::memset(early, 0xA5, kStaticPoolStartSize - 16);
    uint8_t* const first_base = static_pool.base;
    // Reaching the limit exactly is not "below" it: the pool grows.
    auto* grown = static_cast<uint8_t*>(static_alloc(12));
    EXPECT_NE(static_pool.base, first_base);
    EXPECT_EQ(grown, static_pool.base);
    EXPECT_EQ(static_pool.limit - static_pool.base, 16 + 2 * kStaticPoolStartSize);
    EXPECT_EQ(static_pool.next, grown + 16);
    std::memset(grown, 0x5A, 16);
    EXPECT_EQ(early[0], 0xA5);
    EXPECT_EQ(early[kStaticPoolStartSize - 17], 0xA5);
    // The next growth doubles the grown pool's size.
    static_alloc(static_cast<int32_t>(static_pool.limit - static_pool.next));
    EXPECT_EQ(static_pool.size, static_cast<int32_t>(static_pool.limit - static_pool.base));
    EXPECT_GT(static_pool.size, 2 * (16 + 2 * kStaticPoolStartSize));
    EXPECT_EQ(grown[15], 0x5A);
}

TEST_F(StaticPoolTest, NegativeSizeIsAnIllegalFunctionCallAndTakesNothing) {
    uint8_t* const next = static_pool.next;
    EXPECT_EQ(static_alloc(-8), next);
    EXPECT_EQ(static_pool.next, next);
    EXPECT_EQ(error_state.pending_error.load(), kErrorIllegalFunctionCall);
}

TEST_F(StaticPoolTest, ScopeLocksAreReusedNewestFirstWithFreshIds) {
    const uint64_t first_id = scope_lock_new();
    scope_lock* first = latest_scope_lock;
    first->kind = kScopeKindRoutine;
    EXPECT_EQ(first->id, first_id);
    const uint64_t second_id = scope_lock_new();
    scope_lock* second = latest_scope_lock;
    EXPECT_NE(first, second);
    EXPECT_GT(second_id, first_id);
    scope_lock_free(second);
    EXPECT_EQ(second->id, 0u);
    scope_lock_free(second);   // a second give-back is ignored
    const uint64_t third_id = scope_lock_new();
    EXPECT_EQ(latest_scope_lock, second);
    EXPECT_GT(third_id, second_id);
    EXPECT_NE(scope_lock_new(), third_id);
    EXPECT_NE(latest_scope_lock, second);
    EXPECT_NE(latest_scope_lock, first);
}

}  // namespace
}  // namespace zl
