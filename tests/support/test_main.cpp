// The test programs' main. Standard output is unbuffered: to a pipe it is otherwise fully
// buffered (under Wine too), and a test program that dies would take what it printed with it.
#include <gtest/gtest.h>

#include <cstdio>

int main(int argc, char** argv) {
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
