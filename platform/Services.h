#pragma once
// The process-wide set of platform services.
//
// The engines keep the plain signatures of a Windows component (value classes,
// int results) and reach the platform through one slot per interface. The
// library fills every slot when it loads (the Win32 implementations on Windows,
// the portable ones elsewhere); a test swaps a slot for its own duration with
// ScopedService.
//
// Each interface header declares its slot with QM_DECLARE_SERVICE; exactly one
// source file of kelvrin defines it with QM_DEFINE_SERVICE. The slot lives in
// kelvrin, so the program, the dialog library and the tests all see one slot.
#include "platform/KelvrinApi.h"

namespace qm::platform {

// Overloaded per interface: returns the slot holding the current implementation.
template <class T> struct ServiceTag {};

#define QM_DECLARE_SERVICE(Interface) \
  KELVRIN_API Interface*& ServiceSlot(::qm::platform::ServiceTag<Interface>)

// The default is created on first use and lives as long as the process.
#define QM_DEFINE_SERVICE(Interface, makeDefault)                          \
  Interface*& ServiceSlot(::qm::platform::ServiceTag<Interface>) {         \
    static Interface* slot = (makeDefault);                                \
    return slot;                                                           \
  }

// The current implementation of an interface; null where the platform has none.
template <class T> T* Current() { return ServiceSlot(ServiceTag<T>{}); }

// Installs an implementation for the lifetime of this object and puts the
// previous one back afterwards.
template <class T> class ScopedService {
 public:
  explicit ScopedService(T* replacement) : previous_(ServiceSlot(ServiceTag<T>{})) {
    ServiceSlot(ServiceTag<T>{}) = replacement;
  }
  ~ScopedService() { ServiceSlot(ServiceTag<T>{}) = previous_; }
  ScopedService(const ScopedService&) = delete;
  ScopedService& operator=(const ScopedService&) = delete;

 private:
  T* previous_;
};

}  // namespace qm::platform
