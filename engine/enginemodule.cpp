#include "engine/enginemodule.h"

#include "window/pagehost.h"

#include <QtGlobal>

extern "C" Q_DECL_EXPORT PageHost *nuvagameNewPageHost()
{
    return newPageHost();
}
