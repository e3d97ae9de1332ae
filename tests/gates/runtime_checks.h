// What must hold of the runtime between any two operations whatever their arguments were, and a
// digest of the state that a refused operation must leave exactly as it found it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zl::gates {

// Empty when the runtime's records are sound; otherwise what is wrong with them.
std::string runtime_state_fault();

// The screen's page records and roles, the write page's pixels and palette, the random state,
// the selected segment, the low-memory stack and the key ring.
struct StateDigest {
    std::vector<uint64_t> fields;
    bool operator==(const StateDigest&) const = default;
};

StateDigest digest_state();

// The first field in which two digests differ, for the failure message.
std::string digest_difference(const StateDigest& before, const StateDigest& after);

}  // namespace zl::gates
