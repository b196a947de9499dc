// The main of the test programs that plan and fill pictures: the main
// thread makes pictures too, so it takes the picture float mode first, as
// every picture thread of the programs does.
#include <gtest/gtest.h>

#include "picture/float_mode.h"

int main(int argc, char** argv)
{
    UsePictureFloatMode();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
