#pragma once
// RULES: the "Rules" dialog (dialog 160). One line per program with a rule,
// its file name and when its windows go; the selected program's full path
// beneath; "&Remove" (also Delete) drops the selected rule. The main window
// runs it modally on its stack.

#include "app/RuleStore.h"
#include "framework/ModalDialog.h"

#include <windows.h>

#include <vector>

class RULES : public MV_MODALDIALOG {
  public:
    RULES(HWND owner, HINSTANCE moduleInstance, RULE_STORE& store);
    ~RULES() override;

    INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam) override;

  private:
    void OnCommand(WPARAM wParam, LPARAM lParam);
    INT_PTR OnListKey(WPARAM wParam);
    void Fill(int selection);
    void ShowSelectedPath();
    void RemoveSelected();

    RULE_STORE& store;
    std::vector<PROGRAM_RULE> shown; // in list order
};

// A rule's line: "mail.exe: when minimised, when opened".
WSTRING RuleLine(const PROGRAM_RULE& rule);
// Tells the user, as every refused settings write is told, that the rule for
// the program could not be stored.
void TellRuleNotSaved(HWND owner, const wchar_t* path, DWORD error);
