#include "platform/shadercache.h"

// Windows' GL drivers keep their caches in files they write, not map, so a full disk costs them the cache and no
// more.
void keepShaderCacheOffAFullDisk()
{ }
