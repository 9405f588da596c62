// The UI queue of the Qt program: calls queued from any thread run on the
// thread of the Qt application object, in the order they were queued, from
// its event loop (see platform/core/ThreadPost.h).
#pragma once

namespace qv {

// Installs the queue once (later calls do nothing). Needs the application
// object; InstallQtServices calls it.
void InstallQtUiQueue();

}  // namespace qv
