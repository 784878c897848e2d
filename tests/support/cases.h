// Table-driven tests: each case carries a `name` that reads as the behaviour it checks.
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace lorvex::test {

struct CaseName {
    template <class Case>
    std::string operator()(const testing::TestParamInfo<Case>& param) const {
        return param.param.name;
    }
};

}  // namespace lorvex::test
