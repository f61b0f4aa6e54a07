#pragma once
// RULE_ENGINE: decides which windows the rules put into the tray menu. The
// main window hands it the windows of its once-a-second look and those the
// system's events name (a minimise starting, a window shown); it answers the
// ones due now, and the main window hides them as a double click would.
//
// "When opened" takes a window the first time this run sees it listable, the
// windows open at the start among them; once taken back it is never new
// again. "When minimised" takes a window each time it is found minimised.
// A window whose hide did not happen is left alone for the rest of the run.

#include "app/RuleStore.h"
#include "foundation/Handles.h"

#include <windows.h>

#include <set>
#include <string>
#include <unordered_map>
#include <vector>

// Whether a rule may touch the window: what the visible-window list offers
// (ListableWindow). Every rule decision about visibility goes through here.
bool RuleMayTouch(HWND window, HWND own);

struct RULED_WINDOW {
    HWND window;
    bool minimised; // comes back restored, not minimised
};

class RULE_ENGINE {
  public:
    RULE_ENGINE() = default;
    ~RULE_ENGINE();
    RULE_ENGINE(const RULE_ENGINE&) = delete;
    RULE_ENGINE& operator=(const RULE_ENGINE&) = delete;

    RULE_STORE& Store() { return store; }

    // The system's events about other windows: each starts timer of owner
    // shortly after, and TakeEventWindows then answers the windows named.
    // false when no hook could be set (the looks still find every window).
    bool Start(HWND owner, UINT_PTR timer);
    void Stop();
    std::vector<HWND> TakeEventWindows();

    // The windows among these that a rule wants hidden now. listable: each
    // has passed RuleMayTouch already (the look's windows); otherwise a
    // window not seen before is asked first.
    std::vector<RULED_WINDOW> Due(const std::vector<HWND>& windows, bool listable, HWND own);
    // The window is held (by a rule or otherwise): never new again.
    void Saw(HWND window);
    // Its rule's hide did not happen though the program answers: left
    // alone from now on. true the first time for its program in this run.
    bool Refused(HWND window);
    // The program of the window; empty when it cannot be asked.
    static WSTRING ProgramOf(HWND window);

  private:
    struct KNOWN {
        DWORD processId = 0;
        bool pathAsked = false;
        WSTRING path;
        DWORD when = 0;
        bool newlySeen = true; // not yet taken by "when opened"
        bool refused = false;
    };
    KNOWN& Know(HWND window);
    void FollowStore();
    void ForgetGoneWindows();
    WSTRING PathOf(DWORD processId);
    static void CALLBACK OnEvent(HWINEVENTHOOK hook, DWORD event, HWND window, LONG object, LONG child,
                                 DWORD thread, DWORD time);
    static RULE_ENGINE* watching; // the hook procedure has no context

    RULE_STORE store;
    std::unordered_map<HWND, KNOWN> known;
    std::set<std::wstring> told; // programs whose refusal was told, folded
    std::unordered_map<DWORD, WSTRING> pathsThisLook;
    unsigned followed = 0; // the store's version the known windows follow
    unsigned looks = 0;
    HWND owner = nullptr;
    UINT_PTR timer = 0;
    EVENT_HOOK hooks[2];
    std::vector<HWND> eventWindows;
};
