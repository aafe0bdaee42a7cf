#pragma once

// Kills browser-engine processes left behind by an earlier run of the client.
void killStrayEngineProcesses();
