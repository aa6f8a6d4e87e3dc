#include "tests/addin/com/msft_file.h"

#include <cstring>
#include <stdexcept>

namespace kestrova::testing {
namespace {

constexpr std::size_t kHeaderSize = 0x54;
constexpr int kSegmentCount = 15;
constexpr int kTypeInfoSegment = 0;
constexpr int kImportFileSegment = 2;
constexpr int kGuidSegment = 5;

std::int32_t ReadInt(std::string_view data, std::size_t at) {
  if (at + 4 > data.size()) throw std::runtime_error("MSFT: read past the end");
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < 4; ++i) {
    value |= static_cast<std::uint32_t>(static_cast<unsigned char>(data[at + i])) << (8 * i);
  }
  return static_cast<std::int32_t>(value);
}

GUID ReadGuid(std::string_view data, std::size_t at) {
  if (at + sizeof(GUID) > data.size()) throw std::runtime_error("MSFT: GUID past the end");
  GUID guid;
  std::memcpy(&guid, data.data() + at, sizeof guid);
  return guid;
}

}  // namespace

MsftFile ParseMsftFile(std::string_view data) {
  if (data.size() < kHeaderSize || data.substr(0, 4) != "MSFT") {
    throw std::runtime_error("MSFT: no MSFT header");
  }
  MsftFile file;
  file.locale = static_cast<LCID>(ReadInt(data, 0x0C));
  const std::int32_t var_flags = ReadInt(data, 0x14);
  file.system_kind = var_flags & 0xF;
  const std::int32_t version = ReadInt(data, 0x18);
  file.major = static_cast<WORD>(version & 0xFFFF);
  file.minor = static_cast<WORD>((version >> 16) & 0xFFFF);
  file.library_flags = ReadInt(data, 0x1C);
  file.type_count = ReadInt(data, 0x20);
  if (file.type_count < 0 || file.type_count > 0x200) throw std::runtime_error("MSFT: type count");

  const std::size_t type_offsets = kHeaderSize + ((var_flags & 0x100) ? 4 : 0);
  const std::size_t directory = type_offsets + 4 * static_cast<std::size_t>(file.type_count);
  auto segment = [&](int index) {
    const std::size_t entry = directory + 16 * static_cast<std::size_t>(index);
    return std::pair<std::int32_t, std::int32_t>(ReadInt(data, entry), ReadInt(data, entry + 4));
  };
  if (directory + 16 * kSegmentCount > data.size()) throw std::runtime_error("MSFT: directory");

  const auto [guid_offset, guid_length] = segment(kGuidSegment);
  for (std::int32_t at = 0; guid_offset >= 0 && at + 24 <= guid_length; at += 24) {
    const auto position = static_cast<std::size_t>(guid_offset + at);
    file.guids.push_back({ReadGuid(data, position), ReadInt(data, position + 16)});
  }

  const auto [types_offset, types_length] = segment(kTypeInfoSegment);
  for (std::int32_t i = 0; i < file.type_count; ++i) {
    const std::int32_t offset = ReadInt(data, type_offsets + 4 * static_cast<std::size_t>(i));
    if (offset < 0 || offset + 0x64 > types_length) throw std::runtime_error("MSFT: type offset");
    const auto base = static_cast<std::size_t>(types_offset + offset);
    const std::int32_t guid_at = ReadInt(data, base + 0x2C);
    const std::int32_t type_version = ReadInt(data, base + 0x38);
    file.types.push_back(
        {guid_at >= 0 ? ReadGuid(data, static_cast<std::size_t>(guid_offset + guid_at)) : GUID{},
         ReadInt(data, base) & 0xF, ReadInt(data, base + 0x30),
         static_cast<WORD>(type_version & 0xFFFF),
         static_cast<WORD>((type_version >> 16) & 0xFFFF)});
  }

  const auto [import_offset, import_length] = segment(kImportFileSegment);
  for (std::int32_t at = 0; import_offset >= 0 && at + 14 <= import_length;) {
    const auto position = static_cast<std::size_t>(import_offset + at);
    const std::int32_t guid_at = ReadInt(data, position);
    ImportedLibrary library;
    library.library_id = ReadGuid(data, static_cast<std::size_t>(guid_offset + guid_at));
    library.locale = static_cast<LCID>(ReadInt(data, position + 4));
    const std::int32_t library_version = ReadInt(data, position + 8);
    library.major = static_cast<WORD>(library_version & 0xFFFF);
    library.minor = static_cast<WORD>((library_version >> 16) & 0xFFFF);
    const std::size_t length =
        (static_cast<unsigned char>(data[position + 12]) |
         (static_cast<std::size_t>(static_cast<unsigned char>(data[position + 13])) << 8)) >>
        2;
    if (position + 14 + length > data.size()) throw std::runtime_error("MSFT: import name");
    library.file_name = std::string(data.substr(position + 14, length));
    file.imports.push_back(library);
    at += static_cast<std::int32_t>((14 + length + 3) & ~std::size_t{3});
  }
  return file;
}

}  // namespace kestrova::testing
