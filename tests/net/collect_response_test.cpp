#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "net/http_post.h"

namespace update {
namespace {

std::size_t Feed(CollectedBody& body, const std::string& chunk) {
  std::string copy = chunk;  // the callback gets a mutable buffer, as from libcurl
  return CollectResponse(copy.data(), 1, copy.size(), &body);
}

TEST(CollectResponseTest, KeepsTheBodyUpToItsFirstNul) {
  using namespace std::string_literals;
  const struct {
    std::vector<std::string> chunks;
    std::string expected;
  } cases[] = {
      {{"{\"a\":", "1}"}, "{\"a\":1}"},
      {{"ab\0cd"s}, "ab"},
      {{"ab\0cd"s, "ef"}, "ab"},  // nothing after the NUL counts, in any later chunk
      {{"ab", "\0"s, "cd"}, "ab"},
      {{"\0abc"s}, ""},
      {{"", "x", ""}, "x"},
      {{"\xE6\xB5\x8B\xE8\xAF", "\x95"}, "\xE6\xB5\x8B\xE8\xAF\x95"},  // UTF-8 split over chunks
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    CollectedBody body;
    for (const std::string& chunk : cases[i].chunks) {
      EXPECT_EQ(Feed(body, chunk), chunk.size()) << "every chunk is taken whole";
    }
    EXPECT_EQ(body.text, cases[i].expected);
  }
}

TEST(CollectResponseTest, FailsTheTransferOnceTheAnswerOutgrowsItsLimit) {
  CollectedBody body;
  body.limit = 5;
  EXPECT_EQ(Feed(body, "abc"), 3u);
  EXPECT_EQ(Feed(body, "de"), 2u);  // exactly at the limit is fine
  EXPECT_EQ(Feed(body, "f"), 0u);   // any other count than the chunk's size aborts the transfer
  EXPECT_EQ(body.text, "abcde");
}

TEST(CollectResponseTest, BytesAfterTheNulDoNotCountAgainstTheLimit) {
  CollectedBody body;
  body.limit = 3;
  const std::string chunk(
      "abc\0"
      "defghij",
      11);
  EXPECT_EQ(Feed(body, chunk), chunk.size());
  EXPECT_EQ(Feed(body, "klmnop"), 6u);
  EXPECT_EQ(body.text, "abc");
}

}  // namespace
}  // namespace update
