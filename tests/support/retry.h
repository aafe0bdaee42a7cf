#pragma once

#include <functional>

// Acts, then waits up to intervalMs (processing events) for the reaction, and acts again until the reaction is seen
// or the attempts are used up. Tells whether it was seen. For input sent to a freshly started client: an event that
// reaches it before it has settled its newly mapped window can go unseen, as under a real window manager.
bool actUntil(const std::function<void()> &act, const std::function<bool()> &reacted, int attempts = 30,
              int intervalMs = 500);
