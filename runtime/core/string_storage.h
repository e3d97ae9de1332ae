// Owns the string store's memory: descriptor records kept on a free list, byte storage in
// power-of-two size classes carved from slabs, and the temporary-text list. Private to the core;
// the operations on texts are in strings.cpp.
#pragma once

#include <cstdint>

#include "runtime/core/strings.h"

namespace zl::string_storage {

// Storage failures end the run with the numbered "Out of memory" boxes.
constexpr int32_t kErrorStringBytesExhausted = 502;
constexpr int32_t kErrorDescriptorsExhausted = 503;
constexpr int32_t kErrorTempListExhausted = 505;

constexpr int64_t kMaxStringLength = INT32_MAX;

// Marks a descriptor that sits on the free list, so a second string_free of it is harmless.
constexpr uint8_t kDescriptorIsFree = 0x80;

// A cleared descriptor (no bytes, length 0, not listed).
string_descriptor* take_descriptor();
void give_back_descriptor(string_descriptor* text);

// Gives the text storage for at least length bytes (none for 0); fatal when memory runs out.
void acquire_bytes(string_descriptor* text, int64_t length);
// Returns the text's own storage, if it has any, to its size class.
void release_bytes(string_descriptor* text);

void list_temporary(string_descriptor* text);
void unlist_temporary(string_descriptor* text);

// Steps the list's next index down to mark, handing back each text still listed, newest first.
void free_listed_after(uint32_t mark);
uint32_t temp_list_next();

StringStoreStats stats();
void reset();

}  // namespace zl::string_storage
