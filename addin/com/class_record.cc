#include "addin/com/class_record.h"

#include "addin/com/fpkestrova_com.h"

namespace kestrova::com {
namespace {

constexpr ClassRecord kClassRecords[] = {
    {
        .file_name = L"FPKestrova.dll",
        .project_name = L"KestrovaFrontPageAddin",
        .title = L"FPKestrova",
        .description = L"This is the Kestrova COM Add-in for Microsoft FrontPage",
        .library_id = kLibraryId,
        .library_major = 1,
        .library_minor = 0,
        .library_locale = 0x0409,
        .class_name = L"FPKestrova",
        .class_id = kFPKestrovaClassId,
        .prog_id = L"KestrovaFrontPageAddin.FPKestrova",
        .default_interface_name = L"_FPKestrova",
        .default_interface = kFPKestrovaInterfaceId,
        .second_interface_name = L"IDTExtensibility2",
        .second_interface = kExtensibilityInterfaceId,
        .threading_model = L"Apartment",
        .create = &FPKestrovaCom::Create,
    },
};

// A ProgID is the project name, a dot and the class name; the host finds the add-in by it.
constexpr bool ProgIdsFollowTheirClasses() {
  for (const ClassRecord& record : kClassRecords) {
    const std::wstring_view prog_id = record.prog_id;
    const std::size_t dot = record.project_name.size();
    if (!prog_id.starts_with(record.project_name) || prog_id.size() <= dot ||
        prog_id[dot] != L'.' || prog_id.substr(dot + 1) != record.class_name) {
      return false;
    }
  }
  return true;
}
static_assert(ProgIdsFollowTheirClasses());

}  // namespace

std::span<const ClassRecord> ClassRecords() noexcept { return kClassRecords; }

const ClassRecord* FindClassRecord(REFCLSID class_id) noexcept {
  for (const ClassRecord& record : kClassRecords) {
    if (IsEqualCLSID(record.class_id, class_id)) return &record;
  }
  return nullptr;
}

}  // namespace kestrova::com
