// The digests of source files, checked against RFC 1321's.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "report/source/md5.h"

namespace {

std::string Hex(const std::uint8_t (&digest)[rt::Md5::kDigestSize]) {
  std::string hex;
  for (std::uint8_t byte : digest) {
    char two[3];
    std::snprintf(two, sizeof two, "%02x", byte);
    hex += two;
  }
  return hex;
}

TEST(Md5Test, KnownDigests) {
  const struct {
    std::string message;
    const char* digest;
  } cases[] = {
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
       "d174ab98d277d9f5a5611c2c9f419d9f"},
      {std::string(1000000, 'a'), "7707d6ae4e027c70eea2a935c2296f21"},
  };
  for (const auto& c : cases) {
    // Whole, and in pieces that end inside blocks and across them.
    for (std::size_t piece : {c.message.size() + 1, std::size_t{7}, std::size_t{65}}) {
      rt::Md5 md5;
      for (std::size_t at = 0; at < c.message.size(); at += piece) {
        md5.Update(c.message.data() + at, std::min(piece, c.message.size() - at));
      }
      std::uint8_t digest[rt::Md5::kDigestSize];
      md5.Final(digest);
      EXPECT_EQ(Hex(digest), c.digest) << c.message.substr(0, 20) << ", pieces of " << piece;
    }
  }
}

}  // namespace
