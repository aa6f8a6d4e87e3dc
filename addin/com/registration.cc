#include "addin/com/registration.h"

#include <ole2.h>

#include <optional>

#include "addin/com/registry_key.h"
#include "platform/win32/com/com_failure.h"
#include "platform/win32/com/com_ptr.h"
#include "platform/win32/com/unique_bstr.h"

namespace kestrova::com {
namespace {

using win32::ComPtr;
using win32::ThrowIfFailed;

std::wstring ClassKeyPath(const ClassRecord& record) {
  return L"CLSID\\" + GuidText(record.class_id);
}

// Registers the type library in the DLL after checking that it is the one the record names.
void RegisterTypeLibrary(const ClassRecord& record, const std::wstring& module_path) {
  ComPtr<ITypeLib> library;
  ThrowIfFailed(LoadTypeLibEx(module_path.c_str(), REGKIND_NONE, library.Put()), "LoadTypeLibEx");
  TLIBATTR* attributes = nullptr;
  ThrowIfFailed(library->GetLibAttr(&attributes), "ITypeLib::GetLibAttr");
  const bool expected = IsEqualGUID(attributes->guid, record.library_id) &&
                        attributes->wMajorVerNum == record.library_major &&
                        attributes->wMinorVerNum == record.library_minor;
  library->ReleaseTLibAttr(attributes);
  if (!expected) throw win32::FailureFromHresult(TYPE_E_LIBNOTREGISTERED, "RegisterTypeLib");
  // RegisterTypeLib takes the path as a non-const string but only reads it.
  std::wstring path = module_path;
  ThrowIfFailed(RegisterTypeLib(library.Get(), path.data(), nullptr), "RegisterTypeLib");
}

void UnregisterTypeLibrary(const ClassRecord& record) {
  // A library that is not (or no longer) registered is what we want; UnRegisterTypeLib would
  // call that a failure.
  win32::UniqueBstr registered_path;
  const HRESULT found =
      QueryPathOfRegTypeLib(record.library_id, record.library_major, record.library_minor,
                            record.library_locale, registered_path.Put());
  if (FAILED(found)) return;
  ThrowIfFailed(UnRegisterTypeLib(record.library_id, record.library_major, record.library_minor,
                                  record.library_locale, SYS_WIN32),
                "UnRegisterTypeLib");
}

void WriteClassKeys(const ClassRecord& record, const std::wstring& module_path) {
  const std::wstring class_key = ClassKeyPath(record);
  RegistryKey::Create(HKEY_CLASSES_ROOT, class_key).SetString(L"", record.prog_id);
  const RegistryKey server =
      RegistryKey::Create(HKEY_CLASSES_ROOT, class_key + L"\\InprocServer32");
  server.SetString(L"", module_path);
  server.SetString(L"ThreadingModel", record.threading_model);
  RegistryKey::Create(HKEY_CLASSES_ROOT, class_key + L"\\ProgID").SetString(L"", record.prog_id);
  RegistryKey::Create(HKEY_CLASSES_ROOT, class_key + L"\\TypeLib")
      .SetString(L"", GuidText(record.library_id));

  const std::wstring prog_id(record.prog_id);
  RegistryKey::Create(HKEY_CLASSES_ROOT, prog_id).SetString(L"", record.prog_id);
  RegistryKey::Create(HKEY_CLASSES_ROOT, prog_id + L"\\CLSID")
      .SetString(L"", GuidText(record.class_id));
}

void RemoveClassKeys(const ClassRecord& record) {
  DeleteKeyTree(HKEY_CLASSES_ROOT, ClassKeyPath(record));
  const std::wstring prog_id(record.prog_id);
  const RegistryKey owner = RegistryKey::OpenForReading(HKEY_CLASSES_ROOT, prog_id + L"\\CLSID");
  if (owner) {
    const std::optional<std::wstring> class_id = owner.ReadString(L"");
    CLSID named = {};
    const bool ours = class_id && SUCCEEDED(CLSIDFromString(class_id->c_str(), &named)) &&
                      IsEqualCLSID(named, record.class_id);
    if (!ours) return;
  }
  DeleteKeyTree(HKEY_CLASSES_ROOT, prog_id);
}

// Each library is registered once, however many classes it describes.
bool FirstOfItsLibrary(std::span<const ClassRecord> records, std::size_t index) {
  for (std::size_t earlier = 0; earlier < index; ++earlier) {
    if (IsEqualGUID(records[earlier].library_id, records[index].library_id)) return false;
  }
  return true;
}

}  // namespace

void RegisterClasses(std::span<const ClassRecord> records, const std::wstring& module_path) {
  try {
    for (std::size_t i = 0; i < records.size(); ++i) {
      if (FirstOfItsLibrary(records, i)) RegisterTypeLibrary(records[i], module_path);
      WriteClassKeys(records[i], module_path);
    }
  } catch (...) {
    try {
      UnregisterClasses(records);
    } catch (...) {
      // The first failure is the one to report.
    }
    throw;
  }
}

void UnregisterClasses(std::span<const ClassRecord> records) {
  for (std::size_t i = 0; i < records.size(); ++i) {
    RemoveClassKeys(records[i]);
    if (FirstOfItsLibrary(records, i)) UnregisterTypeLibrary(records[i]);
  }
}

}  // namespace kestrova::com
