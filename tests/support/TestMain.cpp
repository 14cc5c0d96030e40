// Test entry: nobody is there to answer an error box, so boxes go to standard error.
#include "KLLog.h"

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    KL::SetErrorBoxesEnabled(false);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
