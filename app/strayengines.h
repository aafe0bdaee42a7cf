#pragma once

// Kills browser-engine processes left behind by an earlier run, before this run starts its own engine.
void killStrayEngineProcesses();
