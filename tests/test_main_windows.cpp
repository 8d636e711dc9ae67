// The tests start talvex without a console (see support/process_windows.cpp),
// so its pauses return at once; no test in this process pauses.
#include <gtest/gtest.h>

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
