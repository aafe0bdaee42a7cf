#pragma once

#include <QString>

/**
 * The hardware address of the machine's first network adapter, as six upper-case two-digit hexadecimal bytes
 * joined by "-" (for example "00-1A-2B-3C-4D-5E"), or the empty string when no adapter answers.
 *
 * Windows asks NetBIOS for the first adapter whose reset and status query succeed. Linux takes the first adapter,
 * in interface-index order, that is backed by a device and is not loopback; without such an adapter, the first
 * non-loopback one. Either way only adapters with a 6-byte address count, up or down alike.
 * Blocks until the system has answered; never fails.
 */
QString readMachineAddress();
