// A record of the heads the mend phase last wrote, for a host whose editor hands a head back
// re-serialised (tag names in capitals, attributes quoted anew, white space changed). There the
// head read at the next publish never equals the head that the rewrite would make of it, so
// without the record every page would be written, saved and published again at every publish.
#ifndef KESTROVA_PUBLISH_MENDED_HEADS_H_
#define KESTROVA_PUBLISH_MENDED_HEADS_H_

#include <string>
#include <string_view>
#include <vector>

namespace kestrova {

class MendedHeads {
 public:
  virtual ~MendedHeads() = default;
  // The mark kept for the page at page_path of the web at web_path; empty when there is none.
  virtual std::string Find(const std::string& web_path, const std::string& page_path) = 0;
  // Keeps mark for the page at page_path of the web at web_path in place of the one before. A
  // record that cannot keep it says nothing: the page is then only mended once more at the next
  // publish.
  virtual void Keep(const std::string& web_path, const std::string& page_path,
                    const std::string& mark) = 0;
  // Forgets the marks of the web's pages but those at listed_pages: called when the web's
  // inventory is stored, so that the record holds no page the inventory no longer lists. A
  // record that cannot forget says nothing.
  virtual void Prune(const std::string& web_path, const std::vector<std::string>& listed_pages) = 0;
};

// The mark of a page whose head reads as head after a mend from the mending head's elements:
// a digest of both, so that a head the user changed since, or a new mending file, gives another
// mark.
std::string MendedHeadMark(const std::vector<std::string>& mending_elements, std::string_view head);

// The digest of a file's bytes as they lie on the disk, sixteen hexadecimal digits: with the
// digests of a page and of its mending file kept beside the head's mark, a publish that finds both
// files as they were passes the page over without opening either.
std::string FileBytesDigest(std::string_view bytes);

// The name of the record of the web at web_path: a digest of the path with ASCII letters in lower
// case, as Windows names one folder in either case. Sixteen hexadecimal digits.
std::string MendedHeadsWebName(std::string_view web_path);

}  // namespace kestrova

#endif  // KESTROVA_PUBLISH_MENDED_HEADS_H_
