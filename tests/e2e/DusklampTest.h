// Common fixture: clean settings, a watching window, and whatever a test started or held undone afterwards.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "Harness.h"

class DusklampTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts the program with the given switches and waits until it takes messages; its main window.
    HWND StartResident(const std::string& arguments);
    // Starts the program listening on a free port (m_port), as "WorkAsClient" 1 makes it.
    bool StartListening();
    // Registers a hot key for this test program, as another program holding it would.
    bool HoldHotKey(UINT modifiers, UINT key);
    // Proves what the program broadcast for the requests before a probe posted once these were
    // seen: the power commands must be exactly these, followed by the probe's own display-on.
    void ExpectBroadcastsBeforeProbe(HWND main, std::initializer_list<LPARAM> expected = {});
    // Waits for the program's message box with this text, checks its owner unless told not
    // to, and answers it with the button.
    ::testing::AssertionResult AnswerMessageBox(const std::string& text, int button, HWND owner = kAnyOwner);

    static inline const HWND kAnyOwner = reinterpret_cast<HWND>(-1);

    harness::Watcher m_watcher;
    harness::Process m_app;
    HWND m_main = nullptr;  // as StartResident found it
    int m_heldHotKeys = 0;
    unsigned short m_port = 0;  // as StartListening chose it
};
