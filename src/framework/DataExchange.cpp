// The data exchange routines and their validation messages.
#include "framework/DataExchange.h"

#include <vector>

#include "framework/App.h"
#include "framework/Controls.h"
#include "framework/UnsignedText.h"

bool CDataExchange::Fail(int id, const char* message, UINT style)
{
    CWinApp::Current()->ShowMessage(m_dialog, message, style);
    ::SendMessageA(m_dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Control(id)), TRUE);
    return false;
}

void DDX_Control(CDataExchange& dx, int id, CControl& control)
{
    control.Attach(dx.Control(id));
}

bool DDX_Check(CDataExchange& dx, int id, int& value)
{
    if (dx.Saving()) {
        value = static_cast<int>(::IsDlgButtonChecked(dx.Dialog(), id));
        return true;
    }
    ::CheckDlgButton(dx.Dialog(), id, value >= 0 && value <= 2 ? static_cast<UINT>(value) : BST_UNCHECKED);
    return true;
}

bool DDX_Text(CDataExchange& dx, int id, std::string& value)
{
    if (!dx.Saving()) {
        ::SetDlgItemTextA(dx.Dialog(), id, value.c_str());
        return true;
    }
    HWND control = dx.Control(id);
    std::vector<char> text(static_cast<std::size_t>(::GetWindowTextLengthA(control)) + 1, '\0');
    ::GetWindowTextA(control, text.data(), static_cast<int>(text.size()));
    value = text.data();
    return true;
}

bool DDX_Unsigned(CDataExchange& dx, int id, unsigned& value, unsigned min, unsigned max)
{
    if (!dx.Saving()) {
        ::SetDlgItemTextA(dx.Dialog(), id, std::to_string(value).c_str());
        return true;
    }
    std::string text;
    DDX_Text(dx, id, text);
    unsigned parsed = 0;
    switch (ParseUnsignedInRange(text, min, max, parsed)) {
    case UnsignedTextResult::Ok:
        value = parsed;
        return true;
    case UnsignedTextResult::NotUnsigned:
        return dx.Fail(id, "Please enter a positive integer.", MB_ICONEXCLAMATION);
    case UnsignedTextResult::OutOfRange:
        break;
    }
    const std::string message =
        "Please enter an integer between " + std::to_string(min) + " and " + std::to_string(max) + ".";
    return dx.Fail(id, message.c_str(), MB_ICONEXCLAMATION);
}

bool DDX_Selection(CDataExchange& dx, int id, int& index, const char* requiredMessage)
{
    HWND control = dx.Control(id);
    if (!dx.Saving()) {
        ::SendMessageA(control, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        return true;
    }
    index = static_cast<int>(::SendMessageA(control, CB_GETCURSEL, 0, 0));
    if (index < 0 && requiredMessage)
        return dx.Fail(id, requiredMessage, MB_OK | MB_ICONINFORMATION);
    return true;
}
