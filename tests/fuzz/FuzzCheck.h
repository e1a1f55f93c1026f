#pragma once
// A broken property ends the run: libFuzzer keeps the input that aborted as the finding.

#include <cstdlib>

namespace zelt::fuzzing {

inline void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

}  // namespace zelt::fuzzing
