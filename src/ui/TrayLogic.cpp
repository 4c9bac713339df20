// What each mouse notification of the icon does.
#include "ui/TrayLogic.h"

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
