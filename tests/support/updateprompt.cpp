#include "updateprompt.h"

#include "retry.h"
#include "xwindows.h"

#include <QTest>

std::optional<uint32_t> dismissUpdatePrompt(QProcess &client, PromptDismissal how)
{
    std::optional<uint32_t> prompt;
    const bool shown = QTest::qWaitFor([&prompt, &client] {
        return (prompt = XWindows::findMapped(QStringLiteral("更新提示"))).has_value()
            || client.state() == QProcess::NotRunning;
    }, 90000);
    if (!shown || !prompt)
        return std::nullopt;

    const uint32_t escapeKey = 0xff1b;
    const uint32_t window = *prompt;
    actUntil(
        [how, window] {
            if (how == PromptDismissal::Escape)
                XWindows::pressKey(window, escapeKey);
            else
                XWindows::requestClose(window);
        },
        [&client] { return client.state() == QProcess::NotRunning; });
    return prompt;
}
