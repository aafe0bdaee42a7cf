#include "app/webprofile.h"

void clearWebProfile()
{ }
