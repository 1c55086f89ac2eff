// Xlib's process-wide set-up, done once before the first connection opens: thread support
// (every connection may be used from several threads) and the two error handlers, which
// Xlib keeps per process.
//
// A protocol error is ordinary on a desktop (another client's window can vanish between two
// requests at any moment), while Xlib's default handler ends the process on the first one: the
// installed handler ignores them, and every request whose outcome matters is a round trip whose
// answer says whether it worked. A broken connection to the X server is not recoverable: the
// handler says so on standard error and ends the process, since Xlib would end it anyway.
#pragma once

namespace orvel::linuxdesktop {

// Idempotent and safe from any thread; the first call must come before any other Xlib call.
void prepareXlib();

} // namespace orvel::linuxdesktop
