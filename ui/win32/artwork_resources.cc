#include "ui/win32/artwork_resources.h"

#include <string>

#include "platform/win32/com/com_failure.h"
#include "ui/win32/artwork_ids.h"

namespace kestrova::win32 {
namespace {

// A Failure for a picture that could not be loaded, naming its kind and id.
Failure LoadFailure(const char* kind, int id) {
  DWORD error = GetLastError();
  // Not every loader sets an error for a missing resource; it is the likely cause.
  if (error == ERROR_SUCCESS) error = ERROR_RESOURCE_NAME_NOT_FOUND;
  return FailureFromWin32Error(
      error, std::string("LoadImageW: ") + kind + " resource " + std::to_string(id));
}

LPCWSTR ResourceName(int id) { return MAKEINTRESOURCEW(id); }

}  // namespace

HMODULE ArtworkModule() {
  HMODULE module = nullptr;
  // Any address inside this module names it; the count of references stays as it is, the module
  // being loaded as long as this code runs.
  if (!GetModuleHandleExW(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          reinterpret_cast<LPCWSTR>(&ArtworkModule), &module)) {
    throw FailureFromWin32Error(GetLastError(), "GetModuleHandleExW");
  }
  return module;
}

UniqueBitmap LoadBitmapResource(int id, BitmapColours colours) {
  HMODULE module = ArtworkModule();
  UINT flags = LR_CREATEDIBSECTION;
  if (colours == BitmapColours::kButtonFaceMapped) flags |= LR_LOADMAP3DCOLORS;
  SetLastError(ERROR_SUCCESS);
  UniqueBitmap bitmap(
      static_cast<HBITMAP>(LoadImageW(module, ResourceName(id), IMAGE_BITMAP, 0, 0, flags)));
  if (!bitmap) throw LoadFailure("bitmap", id);
  return bitmap;
}

UniqueIcon LoadIconResource(int id, int size) {
  HMODULE module = ArtworkModule();
  SetLastError(ERROR_SUCCESS);
  UniqueIcon icon(static_cast<HICON>(
      LoadImageW(module, ResourceName(id), IMAGE_ICON, size, size, LR_DEFAULTCOLOR)));
  if (!icon) throw LoadFailure("icon", id);
  return icon;
}

UniqueBitmap LoadAnimationFrame(int index) {
  return LoadBitmapResource(IDB_KESTROVA_ANIMATION_FRAME_1 + index,
                            BitmapColours::kButtonFaceMapped);
}

UniqueBitmap LoadAboutArtwork() {
  return LoadBitmapResource(IDB_KESTROVA_ABOUT_ARTWORK, BitmapColours::kAsStored);
}

UniqueBitmap LoadWebSitePicture() {
  return LoadBitmapResource(IDB_KESTROVA_WEB_SITE_PICTURE, BitmapColours::kAsStored);
}

UniqueIcon LoadWindowIcon() { return LoadIconResource(IDI_KESTROVA_WINDOW, kWindowIconSize); }

UniqueIcon LoadWarningIcon() { return LoadIconResource(IDI_KESTROVA_WARNING, kWarningIconSize); }

}  // namespace kestrova::win32
