// What a libFuzzer target makes of one session's result: a broken check
// aborts, which libFuzzer reports as a crash and saves as a reproducer.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

inline int abortOnFailure(const char* session, const std::string& failure) {
    if (!failure.empty()) {
        std::fprintf(stderr, "%s: %s\n", session, failure.c_str());
        std::abort();
    }
    return 0;
}
