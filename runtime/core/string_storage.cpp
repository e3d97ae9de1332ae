#include "runtime/core/string_storage.h"

#include <cstdlib>
#include <new>

#include "runtime/core/error_state.h"

namespace zl::string_storage {

Store store;

namespace {

constexpr size_t kSlabBytes = 64 * 1024;
constexpr size_t kDescriptorsPerChunk = 1024;
constexpr uint32_t kFirstTempListSize = 1024;

[[noreturn]] void out_of_memory(int32_t code) { raise_fatal_error(code); }

}  // namespace

void add_descriptor_chunk() {
    auto* chunk = new (std::nothrow) string_descriptor[kDescriptorsPerChunk];
    if (chunk == nullptr) out_of_memory(kErrorDescriptorsExhausted);
    store.descriptor_chunks.push_back(chunk);
    for (size_t i = kDescriptorsPerChunk; i-- > 0;) {
        chunk[i].bytes = reinterpret_cast<uint8_t*>(store.free_descriptors);
        chunk[i].flags = kDescriptorIsFree;
        store.free_descriptors = &chunk[i];
    }
}

uint8_t* carve_from_slab(int32_t block_bytes) {
    if (store.slab_end - store.slab_next < block_bytes) {
        void* slab = std::malloc(kSlabBytes);
        if (slab == nullptr) out_of_memory(kErrorStringBytesExhausted);
        ASAN_POISON_MEMORY_REGION(slab, kSlabBytes);
        store.slabs.push_back(slab);
        store.slab_next = static_cast<uint8_t*>(slab);
        store.slab_end = store.slab_next + kSlabBytes;
    }
    uint8_t* block = store.slab_next;
    store.slab_next += block_bytes;
    return block;
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

void acquire_large_bytes(string_descriptor* text, int64_t length) {
    if (length > kMaxStringLength) out_of_memory(kErrorStringBytesExhausted);
    void* block = std::malloc(static_cast<size_t>(length));
    if (block == nullptr) out_of_memory(kErrorStringBytesExhausted);
    text->bytes = static_cast<uint8_t*>(block);
    text->capacity = static_cast<int32_t>(length);
    ++store.live_blocks;
}

void release_large_bytes(string_descriptor* text) {
    std::free(text->bytes);
    text->bytes = nullptr;
    text->capacity = 0;
    --store.live_blocks;
}

StringStoreStats stats() {
    return StringStoreStats{store.live_descriptors, store.live_blocks, store.temporaries};
}

void reset() {
    for (string_descriptor* chunk : store.descriptor_chunks) {
        for (size_t i = 0; i < kDescriptorsPerChunk; ++i) {
            const bool in_use = (chunk[i].flags & kDescriptorIsFree) == 0;
            if (in_use && chunk[i].capacity > kLargestClassBlock) std::free(chunk[i].bytes);
        }
        delete[] chunk;
    }
    for (void* slab : store.slabs) {
        ASAN_UNPOISON_MEMORY_REGION(slab, kSlabBytes);
        std::free(slab);
    }
    std::free(store.temp_list);
    store = Store{};
}

}  // namespace zl::string_storage
