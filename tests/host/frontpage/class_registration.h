// Standing in for a server process: a class object registered under a class id that hands out one
// given object to every creation, and a ProgID of the current user's classes that names a class id.
#ifndef KESTROVA_TESTS_HOST_FRONTPAGE_CLASS_REGISTRATION_H_
#define KESTROVA_TESTS_HOST_FRONTPAGE_CLASS_REGISTRATION_H_

#include <objbase.h>

#include <memory>
#include <string>

namespace kestrova::testing {

// Registers (CoRegisterClassObject, in process, multiple use) a class object for class_id whose
// CreateInstance answers with object's QueryInterface, as a running server does; revokes it when
// it goes. The class object counts its references like the stand-in objects do.
class ClassObjectRegistration {
 public:
  // Throws std::runtime_error when COM refuses the registration.
  ClassObjectRegistration(const CLSID& class_id, IUnknown* object);
  ~ClassObjectRegistration();
  ClassObjectRegistration(const ClassObjectRegistration&) = delete;
  ClassObjectRegistration& operator=(const ClassObjectRegistration&) = delete;

  // Objects handed out so far.
  int created() const;

 private:
  class Factory;
  std::unique_ptr<Factory> factory_;
  DWORD cookie_ = 0;
};

// Writes HKEY_CURRENT_USER\Software\Classes\<prog_id>\CLSID = class_id; removes the ProgID's key
// when it goes.
class UserProgIdRegistration {
 public:
  // Throws std::runtime_error when the key cannot be written.
  UserProgIdRegistration(std::wstring prog_id, const CLSID& class_id);
  ~UserProgIdRegistration();
  UserProgIdRegistration(const UserProgIdRegistration&) = delete;
  UserProgIdRegistration& operator=(const UserProgIdRegistration&) = delete;

 private:
  std::wstring prog_id_;
};

}  // namespace kestrova::testing

#endif  // KESTROVA_TESTS_HOST_FRONTPAGE_CLASS_REGISTRATION_H_
