#include "runtime/core/static_pool.h"

#include <cstdlib>
#include <deque>
#include <vector>

#include "runtime/core/error_state.h"

namespace zl {

StaticPool static_pool;
scope_lock* latest_scope_lock = nullptr;

namespace {

constexpr int64_t kBlockAlignment = 8;

// Every pool ever taken: earlier pools stay allocated because variables may still live there.
struct PoolStore {
    std::vector<void*> pools;
    ~PoolStore() { release(); }
    void release() {
        for (void* pool : pools) std::free(pool);
        pools.clear();
    }
};

PoolStore pool_store;

struct ScopeLocks {
    std::deque<scope_lock> records;   // a deque keeps every record where it is as it grows
    std::vector<scope_lock*> given_back;
    uint64_t last_id = 0;
};

ScopeLocks scope_locks;

void take_new_pool(int64_t size) {
    void* memory = size > INT32_MAX ? nullptr : std::malloc(static_cast<size_t>(size));
    if (memory == nullptr) raise_fatal_error(kErrorStaticPoolExhausted);
    pool_store.pools.push_back(memory);
    static_pool.base = static_cast<uint8_t*>(memory);
    static_pool.next = static_pool.base;
    static_pool.limit = static_pool.base + size;
    static_pool.size = static_cast<int32_t>(size);
}

// The first pool is there before any routine runs.
struct FirstPool {
    FirstPool() {
        if (static_pool.base == nullptr) take_new_pool(kStaticPoolStartSize);
    }
};

FirstPool first_pool;

}  // namespace

void* static_alloc(int32_t size) {
    if (size < 0) {
        raise_error(kErrorIllegalFunctionCall);
        size = 0;
    }
    if (static_pool.base == nullptr) take_new_pool(kStaticPoolStartSize);
    const int64_t rounded = (int64_t{size} + kBlockAlignment - 1) & ~(kBlockAlignment - 1);
    if (rounded >= static_pool.limit - static_pool.next) {
        take_new_pool(rounded + 2 * int64_t{static_pool.size});
    }
    void* block = static_pool.next;
    static_pool.next += rounded;
    return block;
}

uint64_t scope_lock_new() {
    scope_lock* lock = nullptr;
    if (!scope_locks.given_back.empty()) {
        lock = scope_locks.given_back.back();
        scope_locks.given_back.pop_back();
    } else {
        lock = &scope_locks.records.emplace_back();
    }
    lock->id = ++scope_locks.last_id;
    latest_scope_lock = lock;
    return lock->id;
}

void scope_lock_free(scope_lock* lock) {
    if (lock == nullptr || lock->id == 0) return;   // already given back
    lock->id = 0;
    scope_locks.given_back.push_back(lock);
}

void reset_static_pool() {
    pool_store.release();
    static_pool = StaticPool{};
    take_new_pool(kStaticPoolStartSize);
    scope_locks.given_back.clear();
    scope_locks.records.clear();
    scope_locks.last_id = 0;
    latest_scope_lock = nullptr;
}

}  // namespace zl
