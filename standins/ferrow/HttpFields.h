// Reading the few HTTP response fields that decide how a download goes on: lengths, ranges,
// transfer codings, validators and retry hints. They come from the server, so they are parsed
// strictly here (portable code, fuzzed) and never trusted further than these functions say.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace ferrow {

// "Content-Length": decimal digits only, optional surrounding blanks. False on anything else,
// including a value past 2^63 - 1.
bool ParseContentLength(const std::string& value, uint64_t* length);

// "Content-Range" of a 206 answer: "bytes first-last/complete" with complete a number or "*"
// (then *completeKnown is false). first <= last and, when known, last < complete.
struct ContentRange {
  uint64_t first = 0;
  uint64_t last = 0;
  uint64_t complete = 0;
  bool completeKnown = false;
};
bool ParseContentRange(const std::string& value, ContentRange* range);

// "Transfer-Encoding": true when the last coding is "chunked" (any letter case), which is
// what delimits the body.
bool IsChunked(const std::string& transferEncoding);

// "Retry-After": delta seconds, or an HTTP date (IMF-fixdate, RFC 850 or asctime form)
// taken relative to nowUnix (seconds since 1970, UTC). A date in the past gives 0.
bool ParseRetryAfter(const std::string& value, int64_t nowUnix, uint64_t* seconds);

// An HTTP date in any of the three forms as seconds since 1970 (UTC).
bool ParseHttpDate(const std::string& value, int64_t* unixTime);

// An entity tag usable in "If-Range": strong (no "W/" prefix) and quoted.
bool IsStrongEtag(const std::string& etag);

// Answers worth asking again later: 408, 429 and every 5xx.
bool IsTransientStatus(unsigned status);

// Pause before attempt number `failures` + 1 after `failures` failed attempts in a row
// (1, 2, ...): 500 ms doubling up to 8 s, raised to the server's Retry-After (capped at 60 s).
// `jitter` (any value) spreads clients that failed together by up to a fifth of the pause.
uint32_t RetryDelayMs(unsigned failures, uint64_t retryAfterSeconds, uint32_t jitter);

}  // namespace ferrow
