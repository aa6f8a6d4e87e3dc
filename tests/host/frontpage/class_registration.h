// Standing in for a server process: a class object registered under a class id that hands out one
// given object to every creation, and a ProgID of the current user's classes that names a class id.
#ifndef KESTROVA_TESTS_HOST_FRONTPAGE_CLASS_REGISTRATION_H_
#define KESTROVA_TESTS_HOST_FRONTPAGE_CLASS_REGISTRATION_H_

#include <objbase.h>

#include <memory>
#include <string>

namespace kestrova::testing {

// Registers (CoRegisterClassObject, in process, multiple use) a class object for class_id whose
// CreateInstance answers with object's QueryInterface, as a running server does, or fails with
// `refusal` when one is given (CO_E_SERVER_EXEC_FAILURE: a server starting up that does not serve
// a second client yet); revokes it when it goes. The class object counts its references like the
// stand-in objects do.
class ClassObjectRegistration {
 public:
  // Throws std::runtime_error when COM refuses the registration.
  ClassObjectRegistration(const CLSID& class_id, IUnknown* object, HRESULT refusal = S_OK);
  ~ClassObjectRegistration();
  ClassObjectRegistration(const ClassObjectRegistration&) = delete;
  ClassObjectRegistration& operator=(const ClassObjectRegistration&) = delete;

  // Objects handed out so far, and creations asked for (refused ones too).
  int created() const;
  int requested() const;

 private:
  class Factory;
  std::unique_ptr<Factory> factory_;
  DWORD cookie_ = 0;
};

// Writes <prog_id>\CLSID = class_id under the user's classes (HKEY_CURRENT_USER\Software\Classes)
// or, with root HKEY_CLASSES_ROOT, under the merged view; removes the ProgID's key when it goes.
class ProgIdRegistration {
 public:
  // Throws std::runtime_error when the key cannot be written.
  ProgIdRegistration(std::wstring prog_id, const CLSID& class_id, HKEY root = HKEY_CURRENT_USER);
  ~ProgIdRegistration();
  ProgIdRegistration(const ProgIdRegistration&) = delete;
  ProgIdRegistration& operator=(const ProgIdRegistration&) = delete;

 private:
  HKEY root_;
  std::wstring key_;
};

}  // namespace kestrova::testing

#endif  // KESTROVA_TESTS_HOST_FRONTPAGE_CLASS_REGISTRATION_H_
