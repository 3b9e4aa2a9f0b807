// Turning the test's event loop: the port delivers its notifications only from there.
#pragma once

#include <chrono>
#include <functional>

namespace vyx::test {

// Runs the event loop for about the given time.
void Turn(std::chrono::milliseconds time);
// Runs the event loop until the condition holds or the limit passes; returns the condition.
bool TurnUntil(const std::function<bool()>& done, std::chrono::milliseconds limit);

}  // namespace vyx::test
