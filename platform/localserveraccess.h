#pragma once

#include <QLocalServer>

/**
 * The socket options that let every user of the machine reach a local server, its owner included.
 *
 * On Windows that is OtherAccessOption alone: the pipe's access list then names Everyone. A Unix socket file takes
 * the options as permission bits, where "others" excludes the owner, so there it takes all three.
 */
QLocalServer::SocketOptions everyoneMayConnect();
