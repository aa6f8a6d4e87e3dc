// A type library built in memory, as a FrontPage other than 2000 might describe itself: the
// application class, its dispatch interface, and the application events dispinterface whose
// OnWebNew, OnWebOpen and OnBeforeWebPublish carry the DISPIDs asked for.
#ifndef KESTROVA_TESTS_HOST_FRONTPAGE_STAND_IN_TYPE_LIBRARY_H_
#define KESTROVA_TESTS_HOST_FRONTPAGE_STAND_IN_TYPE_LIBRARY_H_

#include <oaidl.h>

#include <memory>
#include <type_traits>

namespace kestrova::testing {

struct EventIds {
  DISPID web_new;
  DISPID web_open;
  DISPID before_web_publish;
};

struct TypeInfoReleaser {
  void operator()(ITypeInfo* info) const noexcept { info->Release(); }
};
using UniqueTypeInfo = std::unique_ptr<ITypeInfo, TypeInfoReleaser>;

// The library's descriptions of the application class and of its dispatch interface; both lead
// to the library through GetContainingTypeLib. Throws std::runtime_error when oleaut32 refuses.
struct StandInTypeLibrary {
  UniqueTypeInfo application_class;
  UniqueTypeInfo application_interface;
};
StandInTypeLibrary BuildStandInTypeLibrary(const EventIds& ids);

}  // namespace kestrova::testing

#endif  // KESTROVA_TESTS_HOST_FRONTPAGE_STAND_IN_TYPE_LIBRARY_H_
