// Percent-encoding of the bytes that a request address may not carry as they are.
#ifndef KESTROVA_PLATFORM_TRANSFER_URL_ENCODING_H_
#define KESTROVA_PLATFORM_TRANSFER_URL_ENCODING_H_

#include <string>
#include <string_view>

namespace kestrova {

// url with every control byte, space, non-ASCII byte and each of "<>\^`{|} written as %XX; all
// other bytes, "%" included, stay as they are.
std::string EncodeUnsafeUrlBytes(std::string_view url);

// segment as one path segment of an address: every byte outside A-Z a-z 0-9 - . _ ~ written as
// %XX, "%", "#", "?", "/" and "+" included, so that the server reads back exactly segment.
std::string EncodePathSegment(std::string_view segment);

}  // namespace kestrova

#endif  // KESTROVA_PLATFORM_TRANSFER_URL_ENCODING_H_
