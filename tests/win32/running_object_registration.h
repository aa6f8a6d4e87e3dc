// Makes an object of the test the running instance of a class in this process: while the
// registration lasts, CoCreateInstance of the class (as a local server, the way an application
// such as FrontPage serves its own class) gives that object.
#ifndef KESTROVA_TESTS_WIN32_RUNNING_OBJECT_REGISTRATION_H_
#define KESTROVA_TESTS_WIN32_RUNNING_OBJECT_REGISTRATION_H_

#include <objbase.h>

namespace kestrova::testing {

class RunningObjectRegistration {
 public:
  // Registers a class factory for class_id whose CreateInstance answers with instance (which
  // must outlive the registration); result() tells whether COM took it.
  RunningObjectRegistration(const CLSID& class_id, IUnknown* instance);
  // Revokes the registration; COM then releases the factory.
  ~RunningObjectRegistration();
  RunningObjectRegistration(const RunningObjectRegistration&) = delete;
  RunningObjectRegistration& operator=(const RunningObjectRegistration&) = delete;

  HRESULT result() const { return result_; }

 private:
  HRESULT result_ = E_FAIL;
  DWORD cookie_ = 0;
};

}  // namespace kestrova::testing

#endif  // KESTROVA_TESTS_WIN32_RUNNING_OBJECT_REGISTRATION_H_
