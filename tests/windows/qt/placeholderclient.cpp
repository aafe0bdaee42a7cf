// The page host of the client's Windows program for the checks: a plain page where the client has the browser
// engine's, which exists for MSVC alone.

#include "placeholderpage.h"

PageHost *newPageHost()
{
    return newPlaceholderPageHost();
}
