#pragma once
// Qt expects a private runtime folder (XDG_RUNTIME_DIR). A program started
// without one, as root in a console or from a service, gets one made as Qt
// would make it, without Qt's warning on standard error.

namespace zorvan::plot {

// Before the application object: sets XDG_RUNTIME_DIR to /tmp/runtime-UID,
// made private to this user, where it is unset and that folder can be had.
void provideRuntimeDir();

}  // namespace zorvan::plot
