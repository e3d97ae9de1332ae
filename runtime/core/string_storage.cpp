#include "runtime/core/string_storage.h"

#include <bit>
#include <cassert>
#include <cstdlib>
#include <new>
#include <vector>

#include "runtime/core/error_state.h"

namespace zl::string_storage {

namespace {

// Size classes 16, 32, ..., 4096 bytes; longer texts get a block of their own from malloc.
constexpr int kSizeClassCount = 9;
constexpr int32_t kSmallestBlock = 16;
constexpr int32_t kLargestClassBlock = kSmallestBlock << (kSizeClassCount - 1);
constexpr size_t kSlabBytes = 64 * 1024;
constexpr size_t kDescriptorsPerChunk = 1024;
constexpr uint32_t kFirstTempListSize = 1024;

struct FreeBlock {
    FreeBlock* next;
};

struct Store {
    FreeBlock* free_blocks[kSizeClassCount] = {};
    uint8_t* slab_next = nullptr;
    uint8_t* slab_end = nullptr;
    std::vector<void*> slabs;
    std::vector<string_descriptor*> descriptor_chunks;
    std::vector<string_descriptor*> free_descriptors;
    string_descriptor** temp_list = nullptr;
    uint32_t temp_list_size = 0;
    uint32_t temp_next = 0;
    uint32_t temporaries = 0;
    int64_t live_descriptors = 0;
    int64_t live_blocks = 0;
};

Store store;

int size_class_of(int64_t length) {
    if (length <= kSmallestBlock) return 0;
    return std::bit_width(static_cast<uint64_t>(length - 1)) - 4;
}

[[noreturn]] void out_of_memory(int32_t code) { raise_fatal_error(code); }

uint8_t* carve_from_slab(int32_t block_bytes) {
    if (store.slab_end - store.slab_next < block_bytes) {
        void* slab = std::malloc(kSlabBytes);
        if (slab == nullptr) out_of_memory(kErrorStringBytesExhausted);
        store.slabs.push_back(slab);
        store.slab_next = static_cast<uint8_t*>(slab);
        store.slab_end = store.slab_next + kSlabBytes;
    }
    uint8_t* block = store.slab_next;
    store.slab_next += block_bytes;
    return block;
}

void add_descriptor_chunk() {
    auto* chunk = new (std::nothrow) string_descriptor[kDescriptorsPerChunk];
    if (chunk == nullptr) out_of_memory(kErrorDescriptorsExhausted);
    store.descriptor_chunks.push_back(chunk);
    store.free_descriptors.reserve(store.descriptor_chunks.size() * kDescriptorsPerChunk);
    for (size_t i = kDescriptorsPerChunk; i-- > 0;) {
        chunk[i].flags = kDescriptorIsFree;
        store.free_descriptors.push_back(&chunk[i]);
    }
}

void grow_temp_list() {
    const uint32_t new_size = store.temp_list_size == 0 ? kFirstTempListSize
                                                        : store.temp_list_size * 2;
    if (new_size <= store.temp_list_size) out_of_memory(kErrorTempListExhausted);
    void* grown = std::realloc(store.temp_list, sizeof(string_descriptor*) * new_size);
    if (grown == nullptr) out_of_memory(kErrorTempListExhausted);
    store.temp_list = static_cast<string_descriptor**>(grown);
    store.temp_list_size = new_size;
}

}  // namespace

string_descriptor* take_descriptor() {
    if (store.free_descriptors.empty()) add_descriptor_chunk();
    string_descriptor* text = store.free_descriptors.back();
    store.free_descriptors.pop_back();
    *text = string_descriptor{};
    ++store.live_descriptors;
    return text;
}

void give_back_descriptor(string_descriptor* text) {
    *text = string_descriptor{};
    text->flags = kDescriptorIsFree;
    store.free_descriptors.push_back(text);
    --store.live_descriptors;
}

void acquire_bytes(string_descriptor* text, int64_t length) {
    assert(text->capacity == 0);
    if (length <= 0) return;
    if (length > kMaxStringLength) out_of_memory(kErrorStringBytesExhausted);
    const int size_class = size_class_of(length);
    if (size_class >= kSizeClassCount) {
        void* block = std::malloc(static_cast<size_t>(length));
        if (block == nullptr) out_of_memory(kErrorStringBytesExhausted);
        text->bytes = static_cast<uint8_t*>(block);
        text->capacity = static_cast<int32_t>(length);
    } else {
        const int32_t block_bytes = kSmallestBlock << size_class;
        FreeBlock* reused = store.free_blocks[size_class];
        if (reused != nullptr) {
            store.free_blocks[size_class] = reused->next;
            text->bytes = reinterpret_cast<uint8_t*>(reused);
        } else {
            text->bytes = carve_from_slab(block_bytes);
        }
        text->capacity = block_bytes;
    }
    ++store.live_blocks;
}

void release_bytes(string_descriptor* text) {
    if (text->capacity == 0) return;
    if (text->capacity > kLargestClassBlock) {
        std::free(text->bytes);
    } else {
        auto* block = reinterpret_cast<FreeBlock*>(text->bytes);
        const int size_class = size_class_of(text->capacity);
        block->next = store.free_blocks[size_class];
        store.free_blocks[size_class] = block;
    }
    text->bytes = nullptr;
    text->capacity = 0;
    --store.live_blocks;
}

void list_temporary(string_descriptor* text) {
    if (store.temp_next == store.temp_list_size) grow_temp_list();
    store.temp_list[store.temp_next] = text;
    text->temp_slot = static_cast<int32_t>(store.temp_next);
    ++store.temp_next;
    ++store.temporaries;
}

void unlist_temporary(string_descriptor* text) {
    const int32_t slot = text->temp_slot;
    if (slot < 0) return;
    if (static_cast<uint32_t>(slot) < store.temp_list_size && store.temp_list[slot] == text) {
        store.temp_list[slot] = nullptr;
        --store.temporaries;
    }
    text->temp_slot = -1;
}

void free_listed_after(uint32_t mark) {
    while (store.temp_next > mark) {
        --store.temp_next;
        string_descriptor* text = store.temp_list[store.temp_next];
        if (text != nullptr) string_free(text);
    }
}

uint32_t temp_list_next() { return store.temp_next; }

}  // namespace zl::string_storage

namespace zl {

// Here rather than with the other text operations: it runs after every statement that made
// temporaries, and nothing to free must cost one compare.
int32_t free_temp_strings(uint32_t mark, int32_t value) {
    if (string_storage::store.temp_next > mark) string_storage::free_listed_after(mark);
    return value;
}

uint32_t temp_string_mark() { return string_storage::store.temp_next; }

}  // namespace zl

namespace zl::string_storage {

StringStoreStats stats() {
    return StringStoreStats{store.live_descriptors, store.live_blocks, store.temporaries};
}

void reset() {
    for (string_descriptor* chunk : store.descriptor_chunks) {
        for (size_t i = 0; i < kDescriptorsPerChunk; ++i) {
            if (chunk[i].capacity > kLargestClassBlock) std::free(chunk[i].bytes);
        }
        delete[] chunk;
    }
    for (void* slab : store.slabs) std::free(slab);
    std::free(store.temp_list);
    store = Store{};
}

}  // namespace zl::string_storage
