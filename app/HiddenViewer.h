#pragma once
// HIDDEN: the "Hidden Windows" viewer (dialog 106). It lists every titled
// top-level window of the desktop that is not visible, whoever hid it, and a
// double click on an entry shows that window again. The main window runs it
// modally on its stack.

#include "app/BoundedCalls.h"
#include "framework/HelpPopups.h"
#include "framework/ModalDialog.h"

#include <windows.h>

#include <memory>

class HIDDEN : public MV_MODALDIALOG {
  public:
    // foreign: the main window's bounded calls, so that a program that did not
    // answer there is left resting here too, and the other way round.
    HIDDEN(HWND owner, HINSTANCE moduleInstance, BOUNDED_CALLS& foreign);
    ~HIDDEN() override;

    // 0 for every message.
    INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam) override;

  private:
    void SetUp();
    void TearDown();
    void OnCommand(WPARAM wParam, LPARAM lParam);
    void ShowSelectedWindow();

    void FillHiddenList();
    static BOOL CALLBACK AddHiddenWindowThunk(HWND window, LPARAM self);
    void AddHiddenWindow(HWND window);
    void BuildHelpPopups();

    BOUNDED_CALLS& foreign;
    std::unique_ptr<HELP_POPUPS> helpPopups; // null while the tips are off
};
