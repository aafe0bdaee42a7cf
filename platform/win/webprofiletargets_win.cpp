#include "platform/webprofiletargets.h"

#include "appdatafolder.h"
#include "profiletargets.h"

QStringList webProfileTargets()
{
    QStringList targets;
    for (const std::wstring &target : profileTargetsBeside(appDataFolder()))
        targets << QString::fromStdWString(target);
    return targets;
}
