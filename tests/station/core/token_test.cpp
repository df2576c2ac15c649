// The token itself: new ones, and one read from a file made when missing.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <set>
#include <string>

#include "station/core/token.h"

namespace station {
namespace {

TEST(Token, NewTokensAreLongAndDifferent) {
  std::set<std::string> seen;
  for (int i = 0; i < 50; ++i) {
    const std::string token = NewToken();
    ASSERT_EQ(token.size(), 40u);
    EXPECT_EQ(token.find_first_not_of("0123456789abcdef"), std::string::npos);
    seen.insert(token);
  }
  EXPECT_EQ(seen.size(), 50u);
}

TEST(Token, FromAFileThatIsMadeWhenMissing) {
  const std::string path = ::testing::TempDir() + "swrctl_token_test.txt";
  std::remove(path.c_str());
  std::string first, again, error;
  ASSERT_TRUE(TokenFromFile(path, first, error)) << error;
  EXPECT_EQ(first.size(), 40u);
  ASSERT_TRUE(TokenFromFile(path, again, error)) << error;
  EXPECT_EQ(again, first);

  const struct {
    const char* content;
    bool ok;
  } cases[] = {{"my-station-token-42\r\n", true}, {"short\n", false},
               {"has blanks inside it!\n", false}, {"\n", false}};
  for (const auto& c : cases) {
    std::ofstream(path, std::ios::binary) << c.content;
    std::string token;
    EXPECT_EQ(TokenFromFile(path, token, error), c.ok) << c.content;
    if (c.ok) {
      EXPECT_EQ(token, "my-station-token-42");
    }
  }
  // A token file named by mistake as a device or a huge file is not read
  // whole: a first line of a megabyte is refused after the first KiB.
  std::ofstream(path, std::ios::binary) << std::string(1 << 20, 'a');
  std::string token;
  EXPECT_FALSE(TokenFromFile(path, token, error));
#ifndef _WIN32
  EXPECT_FALSE(TokenFromFile("/dev/zero", token, error));
#endif
  std::remove(path.c_str());
}

}  // namespace
}  // namespace station
