// Owns the string store and the temporary-text list: every text the benchmark and the runtime
// pass each other is a string_descriptor from here.
#pragma once

#include <cstdint>

namespace zl {

constexpr uint8_t kStringTemporary = 1;
constexpr uint8_t kStringFixedLength = 2;
constexpr uint8_t kStringReadOnly = 4;

struct string_descriptor {
    uint8_t* bytes = nullptr;
    int32_t length = 0;   // the benchmark's reset routine writes 0 here to empty a text in place
    uint8_t flags = 0;
    int32_t capacity = 0;     // bytes owned by the store; 0 for read-only and empty texts
    int32_t temp_slot = -1;   // index in the temporary list, -1 when not listed
};

string_descriptor* string_new(uint32_t length, int32_t temporary);
string_descriptor* string_from_literal(const char* bytes, int32_t length);
string_descriptor* string_from_cstr(const char* text);
string_descriptor* string_assign(string_descriptor* destination, string_descriptor* source);
string_descriptor* string_concat(string_descriptor* a, string_descriptor* b);
string_descriptor* string_from_char_code(int32_t code);
int32_t string_equal(const string_descriptor* a, const string_descriptor* b);
void string_free(string_descriptor* text);
int32_t free_temp_strings(uint32_t mark, int32_t value);

// The temporary list's next index, which a routine saves at entry as its temp_string_mark.
uint32_t temp_string_mark();

// A new temporary text holding a copy of these bytes (for runtime operations that make texts).
string_descriptor* string_temporary_copy(const char* bytes, int32_t length);

// Counts for leak tests: descriptors and storage blocks currently in use.
struct StringStoreStats {
    int64_t live_descriptors = 0;
    int64_t live_blocks = 0;
    uint32_t temporaries = 0;
};
StringStoreStats string_store_stats();

// Frees everything and starts the store afresh (tests and start-up).
void reset_string_store();

}  // namespace zl
