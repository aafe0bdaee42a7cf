#pragma once

/**
 * Whether a local server's name is a socket file, whose permission bits QLocalServer's access options set (Unix),
 * rather than a named pipe with an access list (Windows).
 *
 * It decides which options let every user of the machine reach the server, its owner included: on a pipe
 * OtherAccessOption alone names Everyone in the access list, while on a socket file "others" excludes the owner, so
 * there it takes all three (WorldAccessOption).
 */
bool localServerNameIsASocketFile();
