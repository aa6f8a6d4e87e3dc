// The identity and registration record of FPKestrova.dll: one entry per public class. The class
// factory, the unload test and both registration calls work from these entries alone.
#ifndef KESTROVA_ADDIN_COM_CLASS_RECORD_H_
#define KESTROVA_ADDIN_COM_CLASS_RECORD_H_

#include <windows.h>

#include <span>
#include <string_view>

namespace kestrova::com {

// The type library {A57F6D07-5DBA-11D6-BF4C-0050BA4D812E} that the DLL carries.
inline constexpr GUID kLibraryId = {
    0xA57F6D07, 0x5DBA, 0x11D6, {0xBF, 0x4C, 0x00, 0x50, 0xBA, 0x4D, 0x81, 0x2E}};
// The add-in class FPKestrova.
inline constexpr GUID kFPKestrovaClassId = {
    0xA57F6D09, 0x5DBA, 0x11D6, {0xBF, 0x4C, 0x00, 0x50, 0xBA, 0x4D, 0x81, 0x2E}};
// _FPKestrova, the class's default interface.
inline constexpr GUID kFPKestrovaInterfaceId = {
    0xA57F6D08, 0x5DBA, 0x11D6, {0xBF, 0x4C, 0x00, 0x50, 0xBA, 0x4D, 0x81, 0x2E}};
// IDTExtensibility2, the host's connection interface, described by AddInDesignerObjects.
inline constexpr GUID kExtensibilityInterfaceId = {
    0xB65AD801, 0xABAF, 0x11D0, {0xBB, 0x8B, 0x00, 0xA0, 0xC9, 0x0F, 0x27, 0x44}};

// Creates a new object of one class and queries it for `iid`; never throws.
using CreateFunction = HRESULT (*)(REFIID iid, void** object);

// Identity of one public class of the server, with the project it belongs to.
struct ClassRecord {
  std::wstring_view file_name;     // the DLL's name, also the name in its export directory
  std::wstring_view project_name;  // the project and type library name
  std::wstring_view title;         // the title that message boxes without their own show
  std::wstring_view description;   // also the type library's help string
  GUID library_id;
  WORD library_major;
  WORD library_minor;
  LCID library_locale;
  std::wstring_view class_name;
  GUID class_id;
  std::wstring_view prog_id;  // project name, a dot, class name
  std::wstring_view default_interface_name;
  GUID default_interface;
  std::wstring_view second_interface_name;
  GUID second_interface;
  std::wstring_view threading_model;  // the InprocServer32 ThreadingModel value
  CreateFunction create;
};

// Every public class of the server.
std::span<const ClassRecord> ClassRecords() noexcept;

// The record of the class `class_id`, or null when the server has no such class.
const ClassRecord* FindClassRecord(REFCLSID class_id) noexcept;

}  // namespace kestrova::com

#endif  // KESTROVA_ADDIN_COM_CLASS_RECORD_H_
