#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "fuzz_target.h"

void tollvane::fuzz::Fail(const char* file, int line, const char* condition) {
    const std::string what =
        std::string(file) + ":" + std::to_string(line) + ": broken: " + condition;
#ifdef TOLLVANE_FUZZER
    std::fprintf(stderr, "%s\n", what.c_str());
    std::abort();
#else
    throw std::logic_error(what);
#endif
}
