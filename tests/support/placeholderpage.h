#pragma once

#include "window/pagehost.h"

// A page host without a browser engine, for the window alone: a plain widget in the page's colour that "loads" a
// moment after it is asked to. Nothing it is given to publish is reachable, as there is no page.
PageHost *newPlaceholderPageHost();
