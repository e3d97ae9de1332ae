#include "benchmark/frame.h"

#include <cstddef>

#include "runtime/core/number_text.h"
#include "runtime/machine/low_memory.h"
#include "runtime/screen/text_output.h"

namespace zl {

Routine::Routine()
    : mark_(temp_string_mark()),
      saved_pool_next_(static_pool.next),
      saved_stack_pointer_(low_memory_stack.pointer) {}

Routine::~Routine() {
    if (lock_ != nullptr) scope_lock_free(lock_);
    for (int i = 0; i < text_count_; ++i) string_free(texts_[i]);
    const bool within =
        saved_pool_next_ >= static_pool.base && saved_pool_next_ <= static_pool.limit;
    static_pool.next = within ? saved_pool_next_ : static_pool.base;
    low_memory_stack.pointer = saved_stack_pointer_;
}

float& Routine::make_single() {
    auto* value = static_cast<float*>(static_alloc(sizeof(float)));
    *value = 0.0f;
    return *value;
}

double& Routine::make_double() {
    auto* value = static_cast<double*>(static_alloc(sizeof(double)));
    *value = 0.0;
    return *value;
}

string_descriptor*& Routine::make_text() {
    // More text variables than a routine keeps ends the run, as running out of descriptors does.
    if (text_count_ == kMaxTexts) [[unlikely]] raise_fatal_error(kErrorDescriptorsExhausted);
    texts_[text_count_] = string_new(0, 0);
    return texts_[text_count_++];
}

float& Routine::make_low_memory_single() {
    // Fatal 257 inside the push when the stack falls below its limit.
    auto* value = reinterpret_cast<float*>(low_memory_stack_push(sizeof(float)));
    *value = 0.0f;
    return *value;
}

bool Routine::enter() {
    scope_lock_new();
    lock_ = latest_scope_lock;
    lock_->kind = kScopeKindRoutine;
    return !error_is_pending();
}

namespace {

string_descriptor* form_item(const PrintItem& item) {
    if (!item.is_number) return string_from_literal(item.bytes, item.length);
    string_descriptor* blank = string_from_cstr(" ");
    const float value = item.evaluate != nullptr ? item.evaluate(item.context) : item.number;
    return string_concat(single_to_text(value), blank);
}

// The steps of a print statement, each item formed in its turn by form(index): assigned to the
// work text, cut short by a pending error, fitted and printed; then the line end and clean-up.
template <typename Form>
void print_items(const Routine& routine, size_t count, Form form, LineEnd line_end, int32_t line) {
    string_descriptor* work = string_new(0, 0);
    bool stopped = false;
    for (size_t i = 0; i < count; ++i) {
        string_assign(work, form(i));
        if (error_is_pending()) {
            stopped = true;
            break;
        }
        fit_text_on_line(work);
        print_string(work, 0);
    }
    if (!stopped && line_end == LineEnd::yes) print_string(line_end_string, 1);
    string_free(work);
    routine.end_statement(line);
}

}  // namespace

void print_list(const Routine& routine, std::initializer_list<PrintItem> items, LineEnd line_end,
                int32_t line) {
    print_items(
        routine, items.size(), [&](size_t i) { return form_item(items.begin()[i]); }, line_end,
        line);
}

void print_char_code(const Routine& routine, float code, LineEnd line_end, int32_t line) {
    print_items(
        routine, 1, [&](size_t) { return string_from_char_code(to_int(code)); }, line_end, line);
}

}  // namespace zl
