// refer_imported_interface: a build-time tool that runs on the build machine, not on Windows.
//
// widl copies every interface that a coclass lists into the type library it writes, even one that
// an imported library already describes. Registering such a library would claim that interface's
// registry keys for us, and unregistering it would delete keys that belong to the library's owner.
// This tool removes the copy and points the coclass at the imported description instead:
//
//   refer_imported_interface IN.tlb OUT.tlb {LIBRARY-ID} {INTERFACE-ID}
//
// IN.tlb is widl's output (MSFT format); the copy of INTERFACE-ID must be its last type
// description, and an import of LIBRARY-ID must already be present (widl adds one as soon as any
// type of that library is used, as the copied interface's own parameters do). Everything else in
// the file is kept byte for byte, only moved to its new offset.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

// Segment indexes of the MSFT segment directory.
enum Segment : int {
  kTypeInfoSegment = 0,
  kImportInfoSegment = 1,
  kImportFileSegment = 2,
  kReferenceSegment = 3,
  kGuidSegment = 5,
  kNameSegment = 7,
  kTypeDescSegment = 9,
  kSegmentCount = 15,
};

constexpr std::size_t kHeaderSize = 0x54;
constexpr std::size_t kTypeInfoSize = 0x64;
constexpr std::size_t kGuidEntrySize = 24;
constexpr std::size_t kImportInfoSize = 12;
constexpr std::size_t kReferenceSize = 16;
constexpr std::size_t kTypeDescSize = 8;
constexpr std::uint32_t kHelpDllFlag = 0x100;
constexpr std::int32_t kImportOffsetIsGuid = 0x10000;
constexpr std::int32_t kUserDefined = 29;  // VT_USERDEFINED

// Header fields, as offsets into the header.
constexpr std::size_t kVarFlagsField = 0x14;
constexpr std::size_t kTypeInfoCountField = 0x20;
constexpr std::size_t kImportCountField = 0x50;

// Type description fields, as offsets into one type description.
constexpr std::size_t kTypeKindField = 0x00;
constexpr std::size_t kMemOffsetField = 0x04;
constexpr std::size_t kPosGuidField = 0x2C;
constexpr std::size_t kCustomDataField = 0x48;
constexpr std::size_t kDataType1Field = 0x54;

[[noreturn]] void Fail(const std::string& message) { throw std::runtime_error(message); }

std::int32_t ReadInt(const Bytes& bytes, std::size_t at) {
  if (at + 4 > bytes.size()) Fail("read past the end of the data");
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < 4; ++i) {
    value |= static_cast<std::uint32_t>(bytes[at + i]) << (8 * i);
  }
  return static_cast<std::int32_t>(value);
}

void WriteInt(Bytes& bytes, std::size_t at, std::int32_t value) {
  if (at + 4 > bytes.size()) Fail("write past the end of the data");
  const auto bits = static_cast<std::uint32_t>(value);
  for (std::size_t i = 0; i < 4; ++i) {
    bytes[at + i] = static_cast<std::uint8_t>(bits >> (8 * i));
  }
}

void AppendInt(Bytes& bytes, std::int32_t value) {
  bytes.resize(bytes.size() + 4);
  WriteInt(bytes, bytes.size() - 4, value);
}

// Parses "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" into the 16 bytes a GUID has in memory.
std::array<std::uint8_t, 16> ParseGuid(std::string_view text) {
  if (text.size() != 38 || text.front() != '{' || text.back() != '}')
    Fail("bad GUID: " + std::string(text));
  std::string hex;
  for (char c : text.substr(1, 36)) {
    if (c != '-') hex.push_back(c);
  }
  if (hex.size() != 32) Fail("bad GUID: " + std::string(text));
  auto byte_at = [&](std::size_t i) {
    return static_cast<std::uint8_t>(std::stoul(hex.substr(2 * i, 2), nullptr, 16));
  };
  // Data1, Data2 and Data3 are stored little-endian; Data4 as it is written.
  constexpr std::array<std::size_t, 16> kOrder = {3, 2, 1,  0,  5,  4,  7,  6,
                                                  8, 9, 10, 11, 12, 13, 14, 15};
  std::array<std::uint8_t, 16> guid{};
  for (std::size_t i = 0; i < 16; ++i) guid[i] = byte_at(kOrder[i]);
  return guid;
}

struct SegmentEntry {
  std::int32_t offset;
  std::int32_t length;
  std::int32_t reserved1;
  std::int32_t reserved2;
};

// The parts of an MSFT file, each held separately so that any of them can grow or shrink.
struct TypeLibrary {
  Bytes header;  // the fixed header, with the help DLL field if present
  std::vector<std::int32_t> typeinfo_offsets;
  std::array<SegmentEntry, kSegmentCount> directory{};
  std::array<Bytes, kSegmentCount> segments;
  Bytes tail;                    // the member data of the type descriptions
  std::int32_t tail_offset = 0;  // where the tail started in the input
};

TypeLibrary Parse(const Bytes& file) {
  if (file.size() < kHeaderSize || std::memcmp(file.data(), "MSFT", 4) != 0) {
    Fail("not an MSFT type library");
  }
  TypeLibrary library;
  std::size_t at = kHeaderSize;
  if (static_cast<std::uint32_t>(ReadInt(file, kVarFlagsField)) & kHelpDllFlag) at += 4;
  library.header.assign(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(at));
  const std::int32_t count = ReadInt(file, kTypeInfoCountField);
  if (count < 0 || count > 0x200) Fail("implausible number of type descriptions");
  for (std::int32_t i = 0; i < count; ++i, at += 4)
    library.typeinfo_offsets.push_back(ReadInt(file, at));
  std::int32_t end_of_segments = static_cast<std::int32_t>(at + kSegmentCount * 16);
  for (int i = 0; i < kSegmentCount; ++i, at += 16) {
    SegmentEntry& entry = library.directory[static_cast<std::size_t>(i)];
    entry = {ReadInt(file, at), ReadInt(file, at + 4), ReadInt(file, at + 8),
             ReadInt(file, at + 12)};
    if (entry.offset == -1) continue;
    if (entry.offset < 0 || entry.length < 0 ||
        static_cast<std::size_t>(entry.offset) + static_cast<std::size_t>(entry.length) >
            file.size()) {
      Fail("segment outside the file");
    }
    const auto begin = file.begin() + entry.offset;
    library.segments[static_cast<std::size_t>(i)].assign(begin, begin + entry.length);
    end_of_segments = std::max(end_of_segments, entry.offset + entry.length);
  }
  library.tail_offset = end_of_segments;
  library.tail.assign(file.begin() + end_of_segments, file.end());
  return library;
}

Bytes Serialize(TypeLibrary& library) {
  // Segments keep their order in the file; each one starts where the previous one ended.
  std::vector<int> order;
  for (int i = 0; i < kSegmentCount; ++i) {
    if (library.directory[static_cast<std::size_t>(i)].offset != -1) order.push_back(i);
  }
  std::sort(order.begin(), order.end(), [&](int a, int b) {
    return library.directory[static_cast<std::size_t>(a)].offset <
           library.directory[static_cast<std::size_t>(b)].offset;
  });
  auto position = static_cast<std::int32_t>(
      library.header.size() + 4 * library.typeinfo_offsets.size() + 16 * kSegmentCount);
  for (int i : order) {
    SegmentEntry& entry = library.directory[static_cast<std::size_t>(i)];
    entry.offset = position;
    entry.length = static_cast<std::int32_t>(library.segments[static_cast<std::size_t>(i)].size());
    position += entry.length;
  }
  // Member data follows the segments; each type description points into it.
  const std::int32_t shift = position - library.tail_offset;
  Bytes& typeinfos = library.segments[kTypeInfoSegment];
  for (std::int32_t offset : library.typeinfo_offsets) {
    const auto field = static_cast<std::size_t>(offset) + kMemOffsetField;
    WriteInt(typeinfos, field, ReadInt(typeinfos, field) + shift);
  }
  library.tail_offset = position;

  WriteInt(library.header, kTypeInfoCountField,
           static_cast<std::int32_t>(library.typeinfo_offsets.size()));
  Bytes out = library.header;
  for (std::int32_t offset : library.typeinfo_offsets) AppendInt(out, offset);
  for (const SegmentEntry& entry : library.directory) {
    AppendInt(out, entry.offset);
    AppendInt(out, entry.length);
    AppendInt(out, entry.reserved1);
    AppendInt(out, entry.reserved2);
  }
  for (int i : order) {
    const Bytes& segment = library.segments[static_cast<std::size_t>(i)];
    out.insert(out.end(), segment.begin(), segment.end());
  }
  out.insert(out.end(), library.tail.begin(), library.tail.end());
  return out;
}

// The offset of the GUID entry holding `guid`, if any.
std::optional<std::size_t> FindGuid(const TypeLibrary& library,
                                    const std::array<std::uint8_t, 16>& guid) {
  const Bytes& guids = library.segments[kGuidSegment];
  for (std::size_t at = 0; at + kGuidEntrySize <= guids.size(); at += kGuidEntrySize) {
    if (std::equal(guid.begin(), guid.end(), guids.begin() + static_cast<std::ptrdiff_t>(at)))
      return at;
  }
  return std::nullopt;
}

// The offset of the import file entry for the library `library_id`.
std::int32_t FindImportFile(const TypeLibrary& library,
                            const std::array<std::uint8_t, 16>& library_id) {
  const std::optional<std::size_t> guid = FindGuid(library, library_id);
  const Bytes& files = library.segments[kImportFileSegment];
  std::size_t at = 0;
  while (guid && at + 14 <= files.size()) {
    if (ReadInt(files, at) == static_cast<std::int32_t>(*guid))
      return static_cast<std::int32_t>(at);
    const std::size_t name_length =
        (std::size_t{files[at + 12]} | (std::size_t{files[at + 13]} << 8)) >> 2;
    at += (14 + name_length + 3) & ~std::size_t{3};
  }
  Fail("the type library imports no library with the given id");
}

void ReferImportedInterface(TypeLibrary& library, const std::array<std::uint8_t, 16>& library_id,
                            const std::array<std::uint8_t, 16>& interface_id) {
  Bytes& typeinfos = library.segments[kTypeInfoSegment];
  const std::optional<std::size_t> guid_at = FindGuid(library, interface_id);
  if (!guid_at) Fail("the interface does not occur in the type library");
  if (library.typeinfo_offsets.empty()) Fail("the type library has no type descriptions");
  const std::int32_t copy = library.typeinfo_offsets.back();
  const auto copy_at = static_cast<std::size_t>(copy);
  if (ReadInt(typeinfos, copy_at + kPosGuidField) != static_cast<std::int32_t>(*guid_at)) {
    Fail("the interface's copy is not the last type description");
  }
  if (copy_at + kTypeInfoSize != typeinfos.size())
    Fail("unexpected layout of the type descriptions");
  if (ReadInt(typeinfos, copy_at + kCustomDataField) != -1) Fail("the copy carries custom data");
  const std::int32_t kind = ReadInt(typeinfos, copy_at + kTypeKindField) & 0xF;

  // The copy's member data is the last block of the tail: drop it.
  const std::int32_t copy_data =
      ReadInt(typeinfos, copy_at + kMemOffsetField) - library.tail_offset;
  if (copy_data < 0 || static_cast<std::size_t>(copy_data) > library.tail.size()) {
    Fail("the copy's member data lies outside the file");
  }
  for (std::size_t i = 0; i + 1 < library.typeinfo_offsets.size(); ++i) {
    const auto other = static_cast<std::size_t>(library.typeinfo_offsets[i]);
    if (ReadInt(typeinfos, other + kMemOffsetField) - library.tail_offset > copy_data) {
      Fail("the copy's member data is not the last block");
    }
  }
  library.tail.resize(static_cast<std::size_t>(copy_data));
  typeinfos.resize(copy_at);
  library.typeinfo_offsets.pop_back();

  // A new import entry that names the interface by GUID in the imported library. Its low bits count
  // the entries that refer to that library, as widl numbers them.
  const std::int32_t import_file = FindImportFile(library, library_id);
  Bytes& imports = library.segments[kImportInfoSegment];
  std::int32_t count = 0;
  for (std::size_t at = 0; at + kImportInfoSize <= imports.size(); at += kImportInfoSize) {
    if (ReadInt(imports, at + 4) == import_file)
      count = std::max(count, ReadInt(imports, at) & 0xFFFF);
  }
  const auto import_at = static_cast<std::int32_t>(imports.size());
  AppendInt(imports, (kind << 24) | kImportOffsetIsGuid | (count + 1));
  AppendInt(imports, import_file);
  AppendInt(imports, static_cast<std::int32_t>(*guid_at));
  WriteInt(library.header, kImportCountField, ReadInt(library.header, kImportCountField) + 1);
  const std::int32_t imported = import_at | 1;  // a reference into the import table

  // Every reference to the copy now goes to the import.
  WriteInt(library.segments[kGuidSegment], *guid_at + 16, imported);
  Bytes& references = library.segments[kReferenceSegment];
  for (std::size_t at = 0; at + kReferenceSize <= references.size(); at += kReferenceSize) {
    if (ReadInt(references, at) == copy) WriteInt(references, at, imported);
  }
  for (std::int32_t offset : library.typeinfo_offsets) {
    const auto at = static_cast<std::size_t>(offset);
    const std::int32_t own_kind = ReadInt(typeinfos, at + kTypeKindField) & 0xF;
    const bool inherits = own_kind == 3 || own_kind == 4;  // TKIND_INTERFACE, TKIND_DISPATCH
    if (inherits && ReadInt(typeinfos, at + kDataType1Field) == copy) {
      WriteInt(typeinfos, at + kDataType1Field, imported);
    }
  }
  Bytes& typedescs = library.segments[kTypeDescSegment];
  for (std::size_t at = 0; at + kTypeDescSize <= typedescs.size(); at += kTypeDescSize) {
    if ((ReadInt(typedescs, at) & 0xFFFF) == kUserDefined && ReadInt(typedescs, at + 4) == copy) {
      WriteInt(typedescs, at + 4, imported);
    }
  }
  // Names that belonged to the copy (its own and its members') stay, but as plain names that name
  // no type description: no owner, and none of the flags that mark a type's name.
  Bytes& names = library.segments[kNameSegment];
  for (std::size_t at = 0; at + 12 <= names.size();) {
    if (ReadInt(names, at) == copy) {
      WriteInt(names, at, -1);
      names[at + 9] = 0;
    }
    const std::size_t length = names[at + 8];
    at += 12 + ((length + 3) & ~std::size_t{3});
  }
}

Bytes ReadFile(const char* path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) Fail(std::string("cannot open ") + path);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const char* path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  if (!out) Fail(std::string("cannot write ") + path);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: %s IN.tlb OUT.tlb {LIBRARY-ID} {INTERFACE-ID}\n", argv[0]);
    return 2;
  }
  try {
    TypeLibrary library = Parse(ReadFile(argv[1]));
    ReferImportedInterface(library, ParseGuid(argv[3]), ParseGuid(argv[4]));
    WriteFile(argv[2], Serialize(library));
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "%s: %s: %s\n", argv[0], argv[1], failure.what());
    return 1;
  }
  return 0;
}
