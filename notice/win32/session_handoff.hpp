#pragma once

namespace notice::win32 {

// Returns when a person can see a notice where this one was started. Started where nobody can (a
// window station without WSF_VISIBLE, or session 0, as a service or a deployment tool running as
// SYSTEM is), it never returns: an empty argument ends with exit code 0; LocalSystem starts the
// same notice in every signed-in user's session, waits until all of them have ended and ends with
// 0 when every one was started and ended with 0, else 1; it starts nothing and ends with 4 where
// an account it does not trust may change the program or a folder it is reached through;
// otherwise, or when none could be started, it ends with 3. Each failure, exceptions included, is
// one line through OutputDebugString and on standard error.
//
// ORVANE_NOTICE_TO, unless this notice was handed on, narrows that to the sessions it names and,
// where a person can see the notice, ends it with 3 in a session it does not name; a value that
// cannot be read ends the program with 2 before anything else.
void hand_on_if_unseen() noexcept;

}  // namespace notice::win32
