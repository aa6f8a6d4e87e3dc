#include "platform/win32/com/module_objects.h"

#include <atomic>

namespace kestrova::win32 {
namespace {

std::atomic<long> live_objects{0};

}  // namespace

long LiveModuleObjects() noexcept { return live_objects.load(); }

ModuleObjectCount::ModuleObjectCount() noexcept { ++live_objects; }

ModuleObjectCount::~ModuleObjectCount() { --live_objects; }

}  // namespace kestrova::win32
