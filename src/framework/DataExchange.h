// Dialog data exchange: one pass over a dialog's bindings, loading controls or saving members.
#pragma once

#include <windows.h>

#include <string>

class CControl;

// One pass in one direction. A failed save has told the user why and put the focus on the
// offending control; the pass stops there and the dialog stays open.
class CDataExchange {
public:
    CDataExchange(HWND dialog, bool save) : m_dialog(dialog), m_save(save) {}

    bool Saving() const { return m_save; }
    HWND Dialog() const { return m_dialog; }
    HWND Control(int id) const { return ::GetDlgItem(m_dialog, id); }
    bool Fail(int id, const char* message, UINT style);

private:
    HWND m_dialog;
    bool m_save;
};

void DDX_Control(CDataExchange& dx, int id, CControl& control);
// A check box's state: 0 clear, 1 ticked, 2 indeterminate; other loaded values show clear.
bool DDX_Check(CDataExchange& dx, int id, int& value);
bool DDX_Text(CDataExchange& dx, int id, std::string& value);
// An unsigned decimal field, with the range checked on save.
bool DDX_Unsigned(CDataExchange& dx, int id, unsigned& value, unsigned min, unsigned max);
// A list's selection as an index (-1: none); on save a missing selection fails with the message.
bool DDX_Selection(CDataExchange& dx, int id, int& index, const char* requiredMessage = nullptr);
