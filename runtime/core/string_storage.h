// Owns the string store's memory: descriptor records kept on a free list, byte storage in
// power-of-two size classes carved from slabs, and the temporary-text list. Private to the core;
// the operations on texts are in strings.cpp. The paths every print takes are inline here so a
// print's string work makes no calls of its own; growth and reset are in string_storage.cpp.
#pragma once

#include <bit>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <vector>

#include <sanitizer/asan_interface.h>

#include "runtime/core/error_numbers.h"
#include "runtime/core/strings.h"

namespace zl::string_storage {

constexpr int64_t kMaxStringLength = INT32_MAX;

// Marks a descriptor that sits on the free list, so a second string_free of it is harmless.
constexpr uint8_t kDescriptorIsFree = 0x80;

// Size classes 16, 32, ..., 4096 bytes; longer texts get a block of their own from malloc.
// Under AddressSanitizer the slab bytes that no text owns (blocks given back, slab not yet carved)
// are poisoned, so a use of a freed text or a write past a block into them is reported as it is
// for malloc's blocks; elsewhere the poisoning macros compile to nothing.
constexpr int kSizeClassCount = 9;
constexpr int32_t kSmallestBlock = 16;
constexpr int32_t kLargestClassBlock = kSmallestBlock << (kSizeClassCount - 1);

struct FreeBlock {
    FreeBlock* next;
};

struct Store {
    FreeBlock* free_blocks[kSizeClassCount] = {};
    uint8_t* slab_next = nullptr;
    uint8_t* slab_end = nullptr;
    std::vector<void*> slabs;
    std::vector<string_descriptor*> descriptor_chunks;
    // Free descriptors are chained through their bytes field.
    string_descriptor* free_descriptors = nullptr;
    string_descriptor** temp_list = nullptr;
    uint32_t temp_list_size = 0;
    uint32_t temp_next = 0;
    uint32_t temporaries = 0;
    int64_t live_descriptors = 0;
    int64_t live_blocks = 0;
};

extern Store store;

// Slow paths: more descriptors, a new slab, a longer list, a block of its own.
void add_descriptor_chunk();
uint8_t* carve_from_slab(int32_t block_bytes);
void grow_temp_list();
void acquire_large_bytes(string_descriptor* text, int64_t length);
void release_large_bytes(string_descriptor* text);

inline int size_class_of(int64_t length) {
    if (length <= kSmallestBlock) return 0;
    return std::bit_width(static_cast<uint64_t>(length - 1)) - 4;
}

inline string_descriptor* next_free_descriptor(const string_descriptor* text) {
    return reinterpret_cast<string_descriptor*>(text->bytes);
}

// A cleared descriptor (no bytes, length 0, not listed).
inline string_descriptor* take_descriptor() {
    if (store.free_descriptors == nullptr) add_descriptor_chunk();
    string_descriptor* text = store.free_descriptors;
    store.free_descriptors = next_free_descriptor(text);
    *text = string_descriptor{};
    ++store.live_descriptors;
    return text;
}

inline void give_back_descriptor(string_descriptor* text) {
    text->bytes = reinterpret_cast<uint8_t*>(store.free_descriptors);
    text->length = 0;
    text->flags = kDescriptorIsFree;
    text->capacity = 0;
    text->temp_slot = -1;
    store.free_descriptors = text;
    --store.live_descriptors;
}

// Gives the text storage for at least length bytes (none for 0); fatal when memory runs out.
inline void acquire_bytes(string_descriptor* text, int64_t length) {
    assert(text->capacity == 0);
    if (length <= 0) return;
    const int size_class = size_class_of(length);
    if (size_class >= kSizeClassCount) {
        acquire_large_bytes(text, length);
        return;
    }
    const int32_t block_bytes = kSmallestBlock << size_class;
    FreeBlock* reused = store.free_blocks[size_class];
    if (reused != nullptr) {
        ASAN_UNPOISON_MEMORY_REGION(reused, block_bytes);
        store.free_blocks[size_class] = reused->next;
        text->bytes = reinterpret_cast<uint8_t*>(reused);
    } else {
        text->bytes = carve_from_slab(block_bytes);
        ASAN_UNPOISON_MEMORY_REGION(text->bytes, block_bytes);
    }
    text->capacity = block_bytes;
    ++store.live_blocks;
}

// Returns the text's own storage, if it has any, to its size class.
inline void release_bytes(string_descriptor* text) {
    if (text->capacity == 0) return;
    if (text->capacity > kLargestClassBlock) {
        release_large_bytes(text);
        return;
    }
    auto* block = reinterpret_cast<FreeBlock*>(text->bytes);
    const int size_class = size_class_of(text->capacity);
    block->next = store.free_blocks[size_class];
    store.free_blocks[size_class] = block;
    ASAN_POISON_MEMORY_REGION(block, text->capacity);
    text->bytes = nullptr;
    text->capacity = 0;
    --store.live_blocks;
}

inline void list_temporary(string_descriptor* text) {
    if (store.temp_next == store.temp_list_size) grow_temp_list();
    store.temp_list[store.temp_next] = text;
    text->temp_slot = static_cast<int32_t>(store.temp_next);
    ++store.temp_next;
    ++store.temporaries;
}

inline void unlist_temporary(string_descriptor* text) {
    const int32_t slot = text->temp_slot;
    if (slot < 0) return;
    if (static_cast<uint32_t>(slot) < store.temp_list_size && store.temp_list[slot] == text) {
        store.temp_list[slot] = nullptr;
        --store.temporaries;
    }
    text->temp_slot = -1;
}

StringStoreStats stats();
void reset();

}  // namespace zl::string_storage
