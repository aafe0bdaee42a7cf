#include "app/updatecheck.h"

void runUpdateCheck()
{ }
