#pragma once

// Asks the service for a newer client version. When one is offered the user is told, the download address is
// opened and the process ends with exit code 0; otherwise it returns and start-up goes on.
void runUpdateCheck();
