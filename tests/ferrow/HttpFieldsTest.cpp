// The download library's reading of the server's header fields.
#include <gtest/gtest.h>

#include "HttpFields.h"

using namespace ferrow;

TEST(HttpFields, ContentLength) {
  uint64_t n = 0;
  EXPECT_TRUE(ParseContentLength("0", &n));
  EXPECT_EQ(n, 0u);
  EXPECT_TRUE(ParseContentLength(" 52428800 ", &n));
  EXPECT_EQ(n, 52428800u);
  EXPECT_TRUE(ParseContentLength("4294967296", &n));  // past 32 bits
  EXPECT_EQ(n, 4294967296ull);
  for (const char* bad : {"", " ", "-1", "+5", "12a", "1 2", "1,1", "0x10", "99999999999999999999",
                          "9223372036854775808"}) {
    EXPECT_FALSE(ParseContentLength(bad, &n)) << bad;
  }
}

TEST(HttpFields, ContentRange) {
  ContentRange r;
  ASSERT_TRUE(ParseContentRange("bytes 100-299/300", &r));
  EXPECT_EQ(r.first, 100u);
  EXPECT_EQ(r.last, 299u);
  EXPECT_TRUE(r.completeKnown);
  EXPECT_EQ(r.complete, 300u);
  ASSERT_TRUE(ParseContentRange("Bytes 0-0/*", &r));
  EXPECT_FALSE(r.completeKnown);
  for (const char* bad : {"bytes 5-4/10", "bytes 0-10/10", "bytes */300", "items 0-1/2",
                          "bytes 1-2", "bytes1-2/3", "bytes -1-2/3", "bytes 0-1/2 x"}) {
    EXPECT_FALSE(ParseContentRange(bad, &r)) << bad;
  }
}

TEST(HttpFields, ChunkedIsTheLastCoding) {
  EXPECT_TRUE(IsChunked("chunked"));
  EXPECT_TRUE(IsChunked("gzip, Chunked "));
  EXPECT_FALSE(IsChunked("chunked, gzip"));
  EXPECT_FALSE(IsChunked(""));
  EXPECT_FALSE(IsChunked("chunkedx"));
}

TEST(HttpFields, HttpDatesInAllThreeForms) {
  int64_t t = 0;
  ASSERT_TRUE(ParseHttpDate("Sun, 06 Nov 1994 08:49:37 GMT", &t));
  EXPECT_EQ(t, 784111777);
  ASSERT_TRUE(ParseHttpDate("Sunday, 06-Nov-94 08:49:37 GMT", &t));
  EXPECT_EQ(t, 784111777);
  ASSERT_TRUE(ParseHttpDate("Sun Nov  6 08:49:37 1994", &t));
  EXPECT_EQ(t, 784111777);
  ASSERT_TRUE(ParseHttpDate("Thu, 29 Feb 2024 00:00:00 GMT", &t));
  EXPECT_EQ(t, 1709164800);
  for (const char* bad : {"", "Sun, 06 Nov 1994 08:49:37", "Sun, 06 Foo 1994 08:49:37 GMT",
                          "Sun, 32 Nov 1994 08:49:37 GMT", "Sun, 06 Nov 1994 24:00:00 GMT",
                          "06 Nov 1994 08:49:37 GMT", "Sun, 06 Nov 1994 08:49 GMT"}) {
    EXPECT_FALSE(ParseHttpDate(bad, &t)) << bad;
  }
}

TEST(HttpFields, RetryAfterSecondsOrDate) {
  uint64_t s = 0;
  ASSERT_TRUE(ParseRetryAfter("120", 0, &s));
  EXPECT_EQ(s, 120u);
  ASSERT_TRUE(ParseRetryAfter("Sun, 06 Nov 1994 08:49:37 GMT", 784111777 - 30, &s));
  EXPECT_EQ(s, 30u);
  ASSERT_TRUE(ParseRetryAfter("Sun, 06 Nov 1994 08:49:37 GMT", 784111777 + 30, &s));
  EXPECT_EQ(s, 0u);  // already past
  EXPECT_FALSE(ParseRetryAfter("soon", 0, &s));
  EXPECT_FALSE(ParseRetryAfter("-5", 0, &s));
}

TEST(HttpFields, StrongEtagsOnly) {
  EXPECT_TRUE(IsStrongEtag("\"abc-123\""));
  EXPECT_FALSE(IsStrongEtag("W/\"abc\""));
  EXPECT_FALSE(IsStrongEtag("abc"));
  EXPECT_FALSE(IsStrongEtag("\"a\r\nX-Evil: 1\""));  // would break the request header
  EXPECT_FALSE(IsStrongEtag("\""));
}

TEST(HttpFields, TransientStatusesAndPauses) {
  for (unsigned s : {408u, 429u, 500u, 502u, 503u, 599u}) EXPECT_TRUE(IsTransientStatus(s)) << s;
  for (unsigned s : {200u, 301u, 400u, 403u, 404u, 416u}) EXPECT_FALSE(IsTransientStatus(s)) << s;
  EXPECT_EQ(RetryDelayMs(1, 0, 0), 500u);
  EXPECT_EQ(RetryDelayMs(2, 0, 0), 1000u);
  EXPECT_EQ(RetryDelayMs(3, 0, 0), 2000u);
  EXPECT_EQ(RetryDelayMs(30, 0, 0), 8000u);       // capped
  EXPECT_LE(RetryDelayMs(1, 0, 12345), 600u);     // jitter: at most a fifth more
  EXPECT_EQ(RetryDelayMs(1, 3, 0), 3000u);        // the server asks for longer
  EXPECT_EQ(RetryDelayMs(1, 100000, 0), 60000u);  // but not for ever
}
