// A fuzz harness: with libFuzzer (TOLLVANE_FUZZER) a fuzzer of its own; in the native
// suite registered by name, so that its seeds and every input that broke it run as tests.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace tollvane::fuzz {

using Harness = void (*)(const std::uint8_t* data, std::size_t size);

// A fuzzer aborts, so that libFuzzer keeps the input; the test suite gets an exception.
[[noreturn]] void Fail(const char* file, int line, const char* condition);

inline std::map<std::string, Harness>& Harnesses() {
    static std::map<std::string, Harness> harnesses;
    return harnesses;
}
struct Registration {
    Registration(const char* name, Harness harness) { Harnesses()[name] = harness; }
};

// Values taken from the front of one input; past its end every byte is 0 and every text empty.
class Bytes {
public:
    Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    std::string_view Text(std::size_t n) {  // up to n bytes
        const std::string_view out(reinterpret_cast<const char*>(data_) + pos_,
                                   n < Left() ? n : Left());
        pos_ += out.size();
        return out;
    }
    std::string_view Rest() { return Text(Left()); }
    std::size_t Left() const { return size_ - pos_; }

private:
    const std::uint8_t* data_;
    std::size_t size_, pos_ = 0;
};

// Hands text to sink(data, size) in blocks of 1 to max bytes drawn from seed; seed 0: one block.
template <class Sink>
void InBlocks(std::string_view text, std::uint32_t seed, std::size_t max, Sink sink) {
    for (std::size_t pos = 0, block; pos < text.size(); pos += block) {
        seed = seed ? seed * 1103515245u + 12345u : 0;
        block = std::min(text.size() - pos, seed ? 1 + (seed >> 16) % max : text.size());
        sink(text.data() + pos, block);
    }
}

}  // namespace tollvane::fuzz

#define FUZZ_CHECK(cond)                                                \
    do {                                                                \
        if (!(cond)) ::tollvane::fuzz::Fail(__FILE__, __LINE__, #cond); \
    } while (0)

#ifdef TOLLVANE_FUZZER
#define TOLLVANE_FUZZ_ENTRY(name)                                                 \
    extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* d, std::size_t n) { \
        return name##_harness(d, n), 0;                                           \
    }
#else
#define TOLLVANE_FUZZ_ENTRY(name) \
    static const ::tollvane::fuzz::Registration name##_registration(#name, name##_harness);
#endif
// A harness's body reads its input from `in` and is written inside the project's namespace.
#define TOLLVANE_FUZZ_HARNESS(name)                                          \
    namespace tollvane::fuzz {                                               \
    static void name##_body(Bytes in);                                       \
    }                                                                        \
    static void name##_harness(const std::uint8_t* data, std::size_t size) { \
        tollvane::fuzz::name##_body({data, size});                           \
    }                                                                        \
    TOLLVANE_FUZZ_ENTRY(name)                                                \
    void tollvane::fuzz::name##_body(Bytes in)
