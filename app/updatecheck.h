#pragma once

// Asks the service for a newer client version. When one is offered the user is told, the download address is
// opened and the process ends with exit code 0; otherwise it returns and start-up goes on.
void runUpdateCheck();

// Shows the prompt that announces a new version and returns its result. Its one button is also its escape button,
// so every way of dismissing it (the button, Enter, Esc, the title bar's close) gives QMessageBox::Ok.
int showUpdatePrompt();
