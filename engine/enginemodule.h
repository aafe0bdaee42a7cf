#pragma once

// The browser engine's side of the page host as a module of its own, which the client loads once its window is on
// screen: the engine's libraries take longer to load than the window takes to show.

// The module's one export: a function PageHost *() that makes the engine's page host.
constexpr char kEngineModuleFactory[] = "nuvagameNewPageHost";
