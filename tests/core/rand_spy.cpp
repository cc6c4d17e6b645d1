// Replaces rand() for the whole test binary: the core library's calls bind to this definition,
// which counts them and forwards to the C library's rand() unless a value is scripted.
#include "rand_spy.h"

#include <cstdlib>
#include <deque>
#include <dlfcn.h>

namespace {

uint64_t calls = 0;
std::deque<int> scripted;

} // namespace

extern "C" int rand() noexcept {
    using RandFn = int (*)();
    static const auto real = reinterpret_cast<RandFn>(dlsym(RTLD_NEXT, "rand"));
    ++calls;
    if (!scripted.empty()) {
        const int v = scripted.front();
        scripted.pop_front();
        return v;
    }
    return real();
}

namespace randspy {

void Reset() {
    calls = 0;
    scripted.clear();
}

uint64_t Calls() {
    return calls;
}

void Script(std::vector<int> values) {
    scripted.assign(values.begin(), values.end());
}

} // namespace randspy
