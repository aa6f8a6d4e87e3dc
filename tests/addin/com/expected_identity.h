// The identity the add-in must have, written out independently of the DLL's own record: an
// installed host finds the add-in by exactly these values.
#ifndef KESTROVA_TESTS_ADDIN_COM_EXPECTED_IDENTITY_H_
#define KESTROVA_TESTS_ADDIN_COM_EXPECTED_IDENTITY_H_

#include <windows.h>

#include <string_view>

namespace kestrova::testing {

inline constexpr GUID kLibraryId = {
    0xA57F6D07, 0x5DBA, 0x11D6, {0xBF, 0x4C, 0x00, 0x50, 0xBA, 0x4D, 0x81, 0x2E}};
inline constexpr GUID kInterfaceId = {
    0xA57F6D08, 0x5DBA, 0x11D6, {0xBF, 0x4C, 0x00, 0x50, 0xBA, 0x4D, 0x81, 0x2E}};
inline constexpr GUID kClassId = {
    0xA57F6D09, 0x5DBA, 0x11D6, {0xBF, 0x4C, 0x00, 0x50, 0xBA, 0x4D, 0x81, 0x2E}};
inline constexpr GUID kExtensibilityId = {
    0xB65AD801, 0xABAF, 0x11D0, {0xBB, 0x8B, 0x00, 0xA0, 0xC9, 0x0F, 0x27, 0x44}};
inline constexpr GUID kDesignerLibraryId = {
    0xAC0714F2, 0x3D04, 0x11D1, {0xAE, 0x7D, 0x00, 0xA0, 0xC9, 0x0F, 0x26, 0xF4}};
inline constexpr GUID kStdOleLibraryId = {
    0x00020430, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

inline constexpr std::wstring_view kLibraryIdText = L"{A57F6D07-5DBA-11D6-BF4C-0050BA4D812E}";
inline constexpr std::wstring_view kInterfaceIdText = L"{A57F6D08-5DBA-11D6-BF4C-0050BA4D812E}";
inline constexpr std::wstring_view kClassIdText = L"{A57F6D09-5DBA-11D6-BF4C-0050BA4D812E}";
inline constexpr std::wstring_view kExtensibilityIdText = L"{B65AD801-ABAF-11D0-BB8B-00A0C90F2744}";
inline constexpr std::wstring_view kDesignerLibraryIdText =
    L"{AC0714F2-3D04-11D1-AE7D-00A0C90F26F4}";
// The automation marshaler (PSOAInterface) that type-library marshalling goes through.
inline constexpr std::wstring_view kAutomationMarshalerText =
    L"{00020424-0000-0000-C000-000000000046}";

inline constexpr std::wstring_view kProgId = L"KestrovaFrontPageAddin.FPKestrova";
inline constexpr std::wstring_view kLibraryName = L"KestrovaFrontPageAddin";
inline constexpr std::wstring_view kDescription =
    L"This is the Kestrova COM Add-in for Microsoft FrontPage";

}  // namespace kestrova::testing

#endif  // KESTROVA_TESTS_ADDIN_COM_EXPECTED_IDENTITY_H_
