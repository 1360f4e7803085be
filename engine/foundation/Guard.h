#pragma once
// Code the system calls back (window, dialog and subclass procedures, and
// enumeration callbacks) must not let a C++ exception through: it would
// unwind through the system's own frames, which were never made for it, and
// end the program in the middle of a message. Every such procedure runs its
// body through Guarded, which turns any exception into one log line and the
// answer the caller gives for a message that failed.
//
// It sits beside the log rather than with the Win32 pieces: it needs nothing
// of the platform, and the platform may not reach up to the log. The window
// procedures all live above the engine (the program's views, the dialogs and
// the controls), where both may be included.
#include <exception>
#include <string>

#include "engine/foundation/Log.h"

namespace qm {

// "<where> failed on message <message>: <what>", one line; never throws.
inline void LogCallbackFailure(const char* where, unsigned message, const char* what) noexcept {
  try {
    CLog::Error(std::string(where) + " failed on message " + std::to_string(message) + ": " + what);
  } catch (...) {
    // No memory left even to say so: the message is dropped all the same.
  }
}

// Runs body and answers what it answers; on any exception logs one line and
// answers onError instead.
template <class Result, class Body>
Result Guarded(const char* where, unsigned message, Body&& body, Result onError) noexcept {
  try {
    return static_cast<Result>(body());
  } catch (const std::exception& failure) {
    LogCallbackFailure(where, message, failure.what());
  } catch (...) {
    LogCallbackFailure(where, message, "unknown exception");
  }
  return onError;
}

}  // namespace qm
