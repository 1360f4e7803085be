#pragma once
// Export macro of the dialog library. ostrum is a shared library on every
// target: a DLL on Windows, a .so with hidden default visibility on Linux.
#if defined(_WIN32)
#  if defined(OSTRUM_BUILD)
#    define OSTRUM_API __declspec(dllexport)
#  else
#    define OSTRUM_API __declspec(dllimport)
#  endif
#else
#  define OSTRUM_API __attribute__((visibility("default")))
#endif
