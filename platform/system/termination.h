// Ending the process on SIGINT, SIGTERM and SIGHUP without leaving the terminal
// broken. The handlers only write the signal number to a pipe; whoever sleeps in the
// kernel (the UI loop's poll, a socket wait) also watches TerminationFd() and, when it
// becomes readable, calls FinishTermination(), which runs the registered cleanups in
// reverse order and then ends the process by the same signal.
#pragma once

#include <functional>

namespace qx {

// Installs the handlers (idempotent). Returns false when the pipe cannot be made.
bool InstallTerminationHandlers();

// The read end of the pipe, or -1 before InstallTerminationHandlers.
int TerminationFd();

// True when a termination signal is pending in the pipe (does not consume it).
bool TerminationPending();

// Cleanups run by FinishTermination and by RunTerminationCleanups, last added first.
// Returns a token for RemoveTerminationCleanup.
int AddTerminationCleanup(std::function<void()> cleanup);
void RemoveTerminationCleanup(int token);

// Reads the pending signal, runs every cleanup and re-raises the signal with its
// default disposition. Does not return.
[[noreturn]] void FinishTermination();

}  // namespace qx
