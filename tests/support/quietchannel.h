#pragma once

// The web channel warns, at every page connection, about each property of the window's base classes that has no
// notify signal. The warnings are the framework's, say nothing about the client and drown test output. Call this
// from initTestCase (the test runner installs its own message handler before that, and this one passes every other
// message on to it).
void quietenChannelWarnings();
