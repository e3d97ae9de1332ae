#include "runtime/core/strings.h"

#include <algorithm>
#include <cstring>

#include "runtime/core/error_state.h"
#include "runtime/core/string_storage.h"

namespace zl {

namespace store = string_storage;

namespace {

constexpr uint8_t kBlank = ' ';
constexpr int32_t kCharCodeCount = 256;

bool is_temporary(const string_descriptor* text) {
    return text != nullptr && (text->flags & kStringTemporary) != 0;
}

// A negative length (a corrupted record) reads as empty rather than overrunning.
int32_t length_of(const string_descriptor* text) {
    return text == nullptr ? 0 : std::max(text->length, 0);
}

bool owns_bytes(const string_descriptor* text) {
    return (text->flags & (kStringFixedLength | kStringReadOnly)) == 0;
}

string_descriptor* new_text(int64_t length, bool temporary) {
    string_descriptor* text = store::take_descriptor();
    store::acquire_bytes(text, length);
    text->length = static_cast<int32_t>(length);
    if (temporary) {
        text->flags = kStringTemporary;
        store::list_temporary(text);
    }
    return text;
}

string_descriptor* new_read_only_temporary(const char* bytes, int32_t length) {
    string_descriptor* text = store::take_descriptor();
    text->bytes = const_cast<uint8_t*>(reinterpret_cast<const uint8_t*>(bytes));
    text->length = bytes == nullptr ? 0 : std::max(length, 0);
    text->flags = kStringTemporary | kStringReadOnly;
    store::list_temporary(text);
    return text;
}

// A fixed-length text keeps its length: the source is cut or padded with blanks.
void copy_into_fixed(string_descriptor* destination, const string_descriptor* source) {
    if ((destination->flags & kStringReadOnly) != 0 || destination->bytes == nullptr) return;
    const int32_t size = length_of(destination);
    const int32_t copied = std::min(size, length_of(source));
    if (copied > 0) std::memmove(destination->bytes, source->bytes, static_cast<size_t>(copied));
    std::memset(destination->bytes + copied, kBlank, static_cast<size_t>(size - copied));
}

void copy_into(string_descriptor* destination, const string_descriptor* source) {
    const int32_t length = length_of(source);
    if ((destination->flags & kStringReadOnly) != 0) {
        // It referred to bytes it does not own; from now on it holds its own copy.
        destination->bytes = nullptr;
        destination->capacity = 0;
        destination->flags &= static_cast<uint8_t>(~kStringReadOnly);
    }
    if (destination->capacity < length) {
        store::release_bytes(destination);
        store::acquire_bytes(destination, length);
    }
    if (length > 0) std::memmove(destination->bytes, source->bytes, static_cast<size_t>(length));
    destination->length = length;
}

bool can_hand_over_storage(const string_descriptor* source) {
    return is_temporary(source) && owns_bytes(source) && source->capacity > 0;
}

void take_storage(string_descriptor* destination, string_descriptor* source) {
    if ((destination->flags & kStringReadOnly) == 0) store::release_bytes(destination);
    destination->flags &= static_cast<uint8_t>(~kStringReadOnly);
    destination->bytes = source->bytes;
    destination->capacity = source->capacity;
    destination->length = length_of(source);
    source->bytes = nullptr;
    source->capacity = 0;
}

void free_text(string_descriptor* text) {
    if (text == nullptr || (text->flags & store::kDescriptorIsFree) != 0) return;
    store::unlist_temporary(text);
    if (owns_bytes(text)) store::release_bytes(text);
    store::give_back_descriptor(text);
}

}  // namespace

string_descriptor* string_new(uint32_t length, int32_t temporary) {
    return new_text(length, temporary != 0);
}

string_descriptor* string_from_literal(const char* bytes, int32_t length) {
    return new_read_only_temporary(bytes, length);
}

string_descriptor* string_from_cstr(const char* text) {
    const size_t length = text == nullptr ? 0 : std::strlen(text);
    return new_read_only_temporary(text, static_cast<int32_t>(std::min<size_t>(length, INT32_MAX)));
}

string_descriptor* string_temporary_copy(const char* bytes, int32_t length) {
    const int32_t size = bytes == nullptr ? 0 : std::max(length, 0);
    string_descriptor* text = new_text(size, true);
    if (size > 0) std::memcpy(text->bytes, bytes, static_cast<size_t>(size));
    return text;
}

string_descriptor* string_assign(string_descriptor* destination, string_descriptor* source) {
    if (destination == nullptr || destination == source) {
        if (destination == nullptr && is_temporary(source)) free_text(source);
        return destination;
    }
    if ((destination->flags & kStringFixedLength) != 0) {
        copy_into_fixed(destination, source);
    } else if (can_hand_over_storage(source)) {
        take_storage(destination, source);
    } else if (source != nullptr) {
        copy_into(destination, source);
    } else {
        destination->length = 0;
    }
    if (is_temporary(source)) free_text(source);
    return destination;
}

string_descriptor* string_concat(string_descriptor* a, string_descriptor* b) {
    const int32_t a_length = length_of(a);
    const int32_t b_length = length_of(b);
    if (b_length == 0 && a != nullptr) return a;
    if (a_length == 0 && b != nullptr) return b;
    if (a == nullptr && b == nullptr) return new_text(0, true);
    const int64_t total = int64_t{a_length} + b_length;
    if (total > store::kMaxStringLength) raise_fatal_error(kErrorStringBytesExhausted);
    string_descriptor* joined = new_text(total, true);
    std::memcpy(joined->bytes, a->bytes, static_cast<size_t>(a_length));
    std::memcpy(joined->bytes + a_length, b->bytes, static_cast<size_t>(b_length));
    if (is_temporary(a)) free_text(a);
    if (is_temporary(b) && b != a) free_text(b);
    return joined;
}

string_descriptor* string_from_char_code(int32_t code) {
    if (code < 0 || code >= kCharCodeCount) {
        string_descriptor* empty = new_text(0, true);
        raise_error(kErrorIllegalFunctionCall);
        return empty;
    }
    string_descriptor* text = new_text(1, true);
    text->bytes[0] = static_cast<uint8_t>(code);
    return text;
}

int32_t string_equal(const string_descriptor* a, const string_descriptor* b) {
    const int32_t length = length_of(a);
    if (length != length_of(b)) return 0;
    if (length == 0) return -1;
    return std::memcmp(a->bytes, b->bytes, static_cast<size_t>(length)) == 0 ? -1 : 0;
}

void string_free(string_descriptor* text) { free_text(text); }

namespace {

// Out of line so that a statement with nothing to free pays one compare and no register saves.
[[gnu::noinline]] void free_listed_after(uint32_t mark) {
    while (store::store.temp_next > mark) {
        const uint32_t slot = --store::store.temp_next;
        string_descriptor* text = store::store.temp_list[slot];
        if (text != nullptr) free_text(text);
    }
}

}  // namespace

int32_t free_temp_strings(uint32_t mark, int32_t value) {
    if (store::store.temp_next > mark) free_listed_after(mark);
    return value;
}

uint32_t temp_string_mark() { return store::store.temp_next; }

StringStoreStats string_store_stats() { return store::stats(); }

void reset_string_store() { store::reset(); }

}  // namespace zl
