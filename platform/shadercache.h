#pragma once

/**
 * Keeps the GL driver from writing its shader cache where there is no room for it. Linux's Mesa maps a file of that
 * cache into memory and writes to it, and on a full file system the write kills the process (SIGBUS) during the
 * window's first render. When the folder the cache would use has little room left, the cache is switched off for
 * this process and the browser engine's processes, which inherit the setting. A cache the user has set up or
 * switched off themselves is left alone. Must run before the application object loads the driver.
 */
void keepShaderCacheOffAFullDisk();
