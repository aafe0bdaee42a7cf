#pragma once

#include <QStringList>

/**
 * Where the embedded browser's default profile keeps what each start deletes, in the order it is deleted: the disk
 * cache folder, then the GPU cache folder, the cookie store, its journal and the visited-links store. Empty when the
 * user's folders cannot be found.
 *
 * Needs no application object: the application name is fixed as "nuvagame", the executable's base name, which is
 * what the browser files its profile under.
 */
QStringList webProfileTargets();
