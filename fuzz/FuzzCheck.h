#pragma once

#include <QString>
#include <cstdio>
#include <cstdlib>
#include <optional>

// Fuzz-target invariant: a violated one prints where and aborts, so that
// libFuzzer saves the input as a crash.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "invariant failed: %s (%s:%d)\n", #condition, __FILE__,           \
                         __LINE__);                                                                \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

namespace fuzzcheck {

// Whether `part` is a piece of `whole`; the empty text is a piece of any text.
inline bool isPieceOf(const QString& part, const QString& whole) {
    return part.isEmpty() || whole.contains(part);
}

inline bool isPieceOf(const std::optional<QString>& part, const QString& whole) {
    return !part || isPieceOf(*part, whole);
}

} // namespace fuzzcheck
