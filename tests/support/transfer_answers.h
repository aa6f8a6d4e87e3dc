// What the loopback HTTP servers of every transfer control's tests answer, so that one contract
// suite can check both controls against them.
#ifndef KESTROVA_TESTS_SUPPORT_TRANSFER_ANSWERS_H_
#define KESTROVA_TESTS_SUPPORT_TRANSFER_ANSWERS_H_

#include <chrono>
#include <cstddef>
#include <string_view>

namespace kestrova::testing {

// Paths the servers answer (GET and HEAD alike), with what they answer.
inline constexpr std::string_view kOkBody = "hello, mending\n";    // /ok: 200
inline constexpr std::string_view kMissingBody = "not here\n";     // /missing: 404
inline constexpr std::string_view kForbiddenBody = "forbidden\n";  // /forbidden: 403
inline constexpr std::string_view kBrokenBody = "broken\n";        // /broken: 500
inline constexpr std::string_view kSpacedBody = "spaced\n";        // "/with space": 200
// A request in a proxy's form (its target a whole address, "GET http://..."): 407 with
// "Proxy-Authenticate: Basic", as a proxy that asks for a password answers.
inline constexpr std::string_view kProxyPasswordBody = "proxy password\n";
// /moved: 302 to /ok; /moved-twice: 302 to /moved; /loop: 302 to itself.
// /slow: 200 "late\n" once released (see ReleaseSlowAnswers), at the latest after 10 s.
// /truncated: claims kTruncatedLength bytes, sends kTruncatedSent, then closes.
inline constexpr std::size_t kTruncatedLength = 1000;
inline constexpr std::size_t kTruncatedSent = 100;
// /large: kLargeLength bytes of LargeBodyByte(i), sent in pieces of kLargePiece.
inline constexpr std::size_t kLargeLength = 8 * 1024 * 1024;
inline constexpr std::size_t kLargePiece = 16 * 1024;
// /trickle: kTricklePieces pieces of kTricklePiece bytes, kTrickleGap apart.
inline constexpr std::size_t kTricklePieces = 6;
inline constexpr std::size_t kTricklePiece = 512;
inline constexpr std::chrono::milliseconds kTrickleGap{250};
// /crawl: claims kCrawlLength bytes and sends one of them every kCrawlGap, until the client leaves
// or the server stops: a server that never falls silent and never gets anywhere.
inline constexpr std::size_t kCrawlLength = 100000;
inline constexpr std::chrono::milliseconds kCrawlGap{100};
// /reset: a reset instead of an answer.
// /reset-in-body: claims 100000 bytes, sends kResetPartial of them, waits 300 ms, resets.
inline constexpr std::size_t kResetPartial = 1000;
// /cut-large: claims 300000 bytes, sends kCutSent of them, then closes.
inline constexpr std::size_t kCutSent = 200 * 1024;
// /exact: kExactHeader, then "hello", then closes (the header says Connection: close).
inline constexpr std::string_view kExactHeader =
    "HTTP/1.1 200 Fine Here\r\n"
    "X-Mending: Kestrova  two  spaces\r\n"
    "content-length: 5\r\n"
    "Connection: close\r\n"
    "\r\n";

// Byte i of the /large and /trickle bodies: a pattern that shows lost, doubled or swapped pieces.
inline char LargeBodyByte(std::size_t i) {
  // Varies within a piece and from piece to piece.
  return static_cast<char>('a' + (i * 7 + i / kLargePiece) % 26);
}

}  // namespace kestrova::testing

#endif  // KESTROVA_TESTS_SUPPORT_TRANSFER_ANSWERS_H_
