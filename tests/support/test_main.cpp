// The test programs' main. Standard output is unbuffered: to a pipe it is otherwise fully
// buffered (under Wine too), and a test program that dies would take what it printed with it.
// Each failure is also written to standard error, and so is the program's start: a test that
// failed with no output at all (seen twice under Wine, status 1) then shows whether the program
// ran and its standard output was lost, or it never reached its main.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

namespace {

class FailuresToStandardError : public testing::EmptyTestEventListener {
  void OnTestPartResult(const testing::TestPartResult& result) override {
    if (!result.failed()) return;
    std::fprintf(stderr, "%s:%d: failure: %s\n", result.file_name() ? result.file_name() : "?",
                 result.line_number(), result.summary());
  }
};

}  // namespace

int main(int argc, char** argv) {
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  std::fprintf(stderr, "test program started\n");
  testing::InitGoogleTest(&argc, argv);
  testing::UnitTest::GetInstance()->listeners().Append(
      std::make_unique<FailuresToStandardError>().release());  // gtest owns it
  return RUN_ALL_TESTS();
}
