#include "updateprompt.h"

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
    for (int attempt = 0; attempt < 30 && client.state() != QProcess::NotRunning; ++attempt) {
        if (how == PromptDismissal::Escape)
            XWindows::pressKey(*prompt, escapeKey);
        else
            XWindows::requestClose(*prompt);
        client.waitForFinished(500);
    }
    return prompt;
}
