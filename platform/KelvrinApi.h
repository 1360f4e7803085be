#pragma once
// Export macro of the engine library. kelvrin is a shared library on every
// target: a DLL on Windows, a .so with hidden default visibility on Linux.
// It lives on the platform floor because the platform's service slots are
// defined inside kelvrin too.
#if defined(_WIN32)
#  if defined(KELVRIN_BUILD)
#    define KELVRIN_API __declspec(dllexport)
#  else
#    define KELVRIN_API __declspec(dllimport)
#  endif
#else
#  define KELVRIN_API __attribute__((visibility("default")))
#endif
