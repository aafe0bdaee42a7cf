#include "platform/localserveraccess.h"

bool localServerNameIsASocketFile()
{
    return true;
}
