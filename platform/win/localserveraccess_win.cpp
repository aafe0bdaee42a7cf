#include "platform/localserveraccess.h"

QLocalServer::SocketOptions everyoneMayConnect()
{
    return QLocalServer::OtherAccessOption;
}
