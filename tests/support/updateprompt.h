#pragma once

#include <QProcess>

#include <cstdint>
#include <optional>

// How a user can dismiss the update prompt from outside the client.
enum class PromptDismissal { Escape, CloseButton };

// Waits (bounded) for a client's update prompt to be mapped, then dismisses it the given way, again and again until
// the client has ended: the first events may reach it before it has settled its new window. Returns the prompt's
// window, or nothing when no prompt appeared.
std::optional<uint32_t> dismissUpdatePrompt(QProcess &client, PromptDismissal how);
