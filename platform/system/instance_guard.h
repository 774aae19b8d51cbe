// The single-instance guard: a named presence marker shaped like the named-mutex calls
// the program makes. The marker is an abstract-namespace Unix datagram socket named
// "<name>-<uid>": no file backs it and the kernel drops it when the holding process
// ends, however it ends. Names are per user and per network namespace, so tests in
// namespaces of their own never see each other. A handle is owned by its caller; the
// program keeps the one from CreateMutexA for its whole life and never closes it.
#pragma once

#include <cstddef>

#include "platform/win_types.h"

namespace qx {

using HANDLE = void*;

inline constexpr DWORD MUTEX_ALL_ACCESS = 0x1F0001;

// Longest name accepted; longer names (or null) give a null handle.
inline constexpr std::size_t kGuardNameLimit = 64;

// A handle when another process (or this one) holds the marker `name`, else null.
// Nothing is sent to the holder; the access and inheritance arguments are accepted
// for the caller's shape, and the handle is never inherited across exec.
HANDLE OpenMutexA(DWORD desiredAccess, BOOL inheritHandle, const char* name);

// Takes the marker `name` and returns the handle that keeps it. Null when it cannot
// be taken, which includes the marker already being held: taking it is one atomic
// step, so of two processes that both passed OpenMutexA only one gets a handle.
HANDLE CreateMutexA(const void* securityAttributes, BOOL initialOwner, const char* name);

// Releases a handle from either call, once. FALSE for null.
BOOL CloseHandle(HANDLE handle);

}  // namespace qx
