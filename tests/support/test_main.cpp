// The main of every test program: a child started in a role runs that role, else the tests.
#include <gtest/gtest.h>

#include "support/test_support.h"

int main(int argc, char** argv) {
    int status = 0;
    if (zrt::test::runChildRole(argc, argv, status)) return status;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
