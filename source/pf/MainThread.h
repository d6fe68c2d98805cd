#pragma once

#include <functional>

namespace pf
{

/**
 * Queues fn to run on the main thread at the shell's next turn, after the
 * functions queued before it. Null is ignored. Any thread.
 */
void postToMainThread(std::function<void()> fn);

/**
 * Runs the functions queued so far, in order, on the calling (main) thread;
 * functions they queue wait for the next call. When one throws, the ones
 * after it stay queued, in order, and the exception passes to the caller.
 * @return The number of functions run.
 */
int runMainThreadQueue();

/** Drops every queued function without running it. Any thread. */
void clearMainThreadQueue();

} // pf
