#pragma once

namespace notice::win32 {

// Returns when a person can see a notice where this one was started. Started where nobody can (a
// window station without WSF_VISIBLE, or session 0, as a service or a deployment tool running as
// SYSTEM is), it never returns: an empty argument ends with exit code 0; a process that may act for
// other sessions starts the same notice in every signed-in user's session, waits until all of them
// have ended and ends with 0; otherwise, or when none could be started, it ends with 3 after
// saying why through OutputDebugString.
void hand_on_if_unseen() noexcept;

}  // namespace notice::win32
