#include "platform/localserveraccess.h"

QLocalServer::SocketOptions everyoneMayConnect()
{
    // OtherAccessOption alone would make the socket file mode 0007 and lock its own user out.
    return QLocalServer::WorldAccessOption;
}
