#pragma once
/// \file oxSmallStack.h
/// Runs work on a thread with a small stack, as a host's user-interface thread
/// may have, so that a reader that recurses once per nesting level of its
/// input crashes for certain.

#include <cstddef>
#include <functional>

/// Runs \p work on a new thread with a stack of \p stackBytes and waits for it.
void oxRunOnSmallStack(const std::function<void()>& work, std::size_t stackBytes = 256 * 1024);
