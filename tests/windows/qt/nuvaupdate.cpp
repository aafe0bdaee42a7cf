// The update check as main() runs it, in a Windows program of its own, against the service on 127.0.0.1:8081. It ends
// as the client does after an offer (exit code 0, the address handed to the desktop), or says "no update".

#include "app/updatecheck.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    runUpdateCheck();
    std::puts("no update");
    return 0;
}
