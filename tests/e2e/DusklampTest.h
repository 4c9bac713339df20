// Common fixture: clean settings, a watching window, and every started program ended afterwards.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "Harness.h"

class DusklampTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts a first instance with the given switches and waits until it takes messages.
    HWND StartResident(harness::Process& process, const std::string& arguments);
    // Proves that nothing was broadcast before the program took up its queue: a display-on
    // request posted now must be the first and only broadcast the watcher sees.
    void ExpectNoBroadcastBeforeProbe(HWND mainWindow);

    // Waits for the program's message box with this text and answers it with the button.
    ::testing::AssertionResult AnswerMessageBox(const std::string& text, int button);

    harness::Watcher m_watcher;
    harness::Process m_app;
};
