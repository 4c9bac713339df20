// Record size by shell version, and what each mouse notification of the icon does.
#include "ui/TrayLogic.h"

unsigned NotifyIconRecordSize(int shellMajorVersion)
{
    if (shellMajorVersion >= 6)
        return 504;
    if (shellMajorVersion == 5)
        return 488;
    return 88;
}

bool SendsVersionRequest(int shellMajorVersion)
{
    return shellMajorVersion >= 5;
}

TrayAction TrayActionFor(unsigned iconId, unsigned ourIconId, unsigned mouseMessage)
{
    if (iconId != ourIconId)
        return TrayAction::NotOurs;
    switch (mouseMessage) {
    case kMouseRightButtonUp:
        return TrayAction::ShowMenu;
    case kMouseLeftDoubleClick:
        return TrayAction::RunDefaultItem;
    }
    return TrayAction::Nothing;
}
