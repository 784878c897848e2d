// The auxiliary exports, used the way a C++ host uses them: through the header and the module.
#include <gtest/gtest.h>

#include "lorvex.h"

namespace {

unsigned char& byteOf(CVarnel& object) {
    return reinterpret_cast<unsigned char&>(object);
}

TEST(Shell, FnVarnelReturns42OnEveryCall) {
    for (int call = 0; call < 3; ++call)
        EXPECT_EQ(fnVarnel(), 42) << "call " << call;
}

TEST(Shell, NVarnelReadsZeroAfterLoad) {
    EXPECT_EQ(nVarnel, 0);
}

TEST(Shell, AssignmentCopiesTheByteAndReturnsTheTarget) {
    CVarnel target, source;
    byteOf(target) = 0x11;
    byteOf(source) = 0xA5;
    CVarnel& result = (target = source);
    EXPECT_EQ(&result, &target);
    EXPECT_EQ(byteOf(target), 0xA5);
    EXPECT_EQ(byteOf(source), 0xA5);
}

}  // namespace
