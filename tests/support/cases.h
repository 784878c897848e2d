// Table-driven tests: each case carries a `name` that reads as the behaviour it checks; a case
// run on every instruction set names the one it failed on.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "isa.h"

namespace lorvex::test {

// The name of an instruction set, for the message of a case that runs on each.
inline const char* isaName(platform::Isa isa) {
    const char* names[] = {"scalar", "SSE2", "AVX2", "AVX-512", "NEON"};
    return names[static_cast<int>(isa)];
}

struct CaseName {
    template <class Case>
    std::string operator()(const testing::TestParamInfo<Case>& param) const {
        return param.param.name;
    }
};

}  // namespace lorvex::test
