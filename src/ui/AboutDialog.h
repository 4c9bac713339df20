// The About box: the program's name, version and icon.
#pragma once

#include "framework/Dialog.h"
#include "resource.h"

class CAboutDialog : public CDialog {
public:
    explicit CAboutDialog(CWnd* parent) : CDialog(IDD_ABOUTBOX, parent) {}
};
