#include "publish/mended_heads.h"

#include <cstdint>
#include <cstdio>

#include "base/ascii.h"

namespace kestrova {
namespace {

// 64-bit FNV-1a: a page mended from one mending file and then changed gives another digest with
// certainty short of 2^-64, which is all the record needs; it is no defence against a forger.
class Digest {
 public:
  void Add(std::string_view bytes) {
    for (const char byte : bytes) {
      value_ ^= static_cast<unsigned char>(byte);
      value_ *= 0x100000001b3u;
    }
  }
  std::string Text() const {
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value_));
    return text;
  }

 private:
  std::uint64_t value_ = 0xcbf29ce484222325u;
};

}  // namespace

std::string MendedHeadMark(const std::vector<std::string>& mending_elements,
                           std::string_view head) {
  Digest mending;
  for (const std::string& element : mending_elements) {
    // The length first, so that elements cut elsewhere never give the same bytes.
    mending.Add(std::to_string(element.size()) + ":");
    mending.Add(element);
  }
  Digest page;
  page.Add(head);
  return mending.Text() + " " + page.Text();
}

std::string FileBytesDigest(std::string_view bytes) {
  Digest digest;
  digest.Add(bytes);
  return digest.Text();
}

std::string MendedHeadsWebName(std::string_view web_path) {
  std::string folded(web_path);
  for (char& c : folded) c = AsciiLower(c);
  Digest digest;
  digest.Add(folded);
  return digest.Text();
}

}  // namespace kestrova
