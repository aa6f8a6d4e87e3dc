// The import slot of GetTickCount64, filled by the DLL itself.
//
// The static threading runtime that GCC's exception support pulls in imports GetTickCount64, which
// Windows XP's kernel32 lacks; a DLL importing it would not load there at all. Defining the import
// slot here keeps the import out of the DLL: the slot points at a function that calls the system's
// GetTickCount64 where there is one and otherwise extends GetTickCount past its 49.7-day wrap.
#include <windows.h>

#include <atomic>
#include <cstdint>

namespace {

using TickCount64Function = ULONGLONG(WINAPI*)();

// The last 32-bit tick count seen, and how often the count has wrapped since, in one atomic value
// (high half: wraps, low half: last count) so that concurrent callers never see a torn pair.
std::atomic<std::uint64_t> extended_ticks{0};

ULONGLONG ExtendedTickCount() {
  const DWORD now = GetTickCount();
  std::uint64_t seen = extended_ticks.load();
  for (;;) {
    std::uint64_t wraps = seen >> 32;
    if (now < static_cast<DWORD>(seen)) ++wraps;
    const std::uint64_t next = (wraps << 32) | now;
    if (extended_ticks.compare_exchange_weak(seen, next)) return next;
  }
}

ULONGLONG WINAPI TickCount64() {
  static const auto system = reinterpret_cast<TickCount64Function>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetTickCount64")));
  return system != nullptr ? system() : ExtendedTickCount();
}

}  // namespace

// The import slot itself: calls through __imp__GetTickCount64@0 read this pointer. An object file's
// definition wins over the import library's, so kernel32's GetTickCount64 is never imported.
extern "C" {
extern TickCount64Function const kestrova_tick_count_64_import __asm__("__imp__GetTickCount64@0");
TickCount64Function const kestrova_tick_count_64_import = &TickCount64;
}
