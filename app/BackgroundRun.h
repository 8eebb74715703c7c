#pragma once

#include <functional>

/// Calls `work` on a thread of its own and returns once it has returned, throwing what it
/// threw. Meanwhile the calling thread, the interface thread, goes on with its events, so
/// that its windows repaint and the calls `work` queues to it are made; user input is held
/// back until `work` has returned, as it would be were `work` done on the calling thread.
void runInBackground(const std::function<void()>& work);
