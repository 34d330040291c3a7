#pragma once

#include <chrono>
#include <functional>

// The one way this program waits: until a condition holds or a deadline
// passes, letting window and socket events run meanwhile. It wakes as soon
// as any event arrives (a datagram, serial bytes, a click), so a reply is
// taken the moment it is complete, and it measures time with a monotonic
// clock. Device operations wait through DeviceOperations, which adds the
// cancel request and the one-operation rule to this.
//
// Any handler that runs during the wait may close or delete what it owns (a
// window, a page's control): what the waiting code touches afterwards must
// be held by QPointer and checked again.
//
// Returns true when the condition held before the deadline.
bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout);

// A fixed pause (pacing, prompts, restarts) that keeps events running.
void Pause(std::chrono::milliseconds duration);
