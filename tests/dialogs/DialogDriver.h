#pragma once
// Test support for the dialogs: an owner window, a scratch registry key, a
// second thread that drives a modal dialog while the test thread runs it, and
// a foreign window on a thread of its own that can fight for the foreground.

#include "foundation/TextString.h"

#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

// Polls `done` every few milliseconds until it holds or `timeoutMs` passes,
// dispatching this thread's messages meanwhile; answers the last poll.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 10000);

// The visible top-level window of the test thread that owns the dialogs,
// carrying the program icon; shared by all tests, brought to the front by each.
class TEST_OWNER {
  public:
    TEST_OWNER();
    TEST_OWNER(const TEST_OWNER&) = delete;
    TEST_OWNER& operator=(const TEST_OWNER&) = delete;
    ~TEST_OWNER();
    HWND Get() const { return window; }

  private:
    HWND window = nullptr;
};

HICON ProgramIcon();

// HKLM\Software\MorvaneUtilities\Vaylo\DialogsTest, empty at construction,
// removed with everything in it at destruction.
class TEST_KEY {
  public:
    TEST_KEY();
    TEST_KEY(const TEST_KEY&) = delete;
    TEST_KEY& operator=(const TEST_KEY&) = delete;
    ~TEST_KEY();

    static const char* Path() { return "Software\\MorvaneUtilities\\Vaylo\\DialogsTest"; }
    // Values live in the subkey named like the setting.
    void SetDword(const char* subkey, const char* name, DWORD value);
    void SetString(const char* subkey, const char* name, const char* value);
    bool Exists(const char* subkey, const char* name) const;
    // The DWORD, or -1 when it is missing or of another type.
    long long Dword(const char* subkey, const char* name) const;
};

// The visible dialog of class "#32770" owned by `owner` with that title, or null.
HWND FindOwnedDialog(HWND owner, const char* title);
// Waits (bounded) for such a dialog; null if none came.
HWND WaitForDialog(HWND owner, const char* title, DWORD timeoutMs = 10000);
// Polls without pumping (for the driver thread); answers the last poll.
bool PollUntil(const std::function<bool()>& done, DWORD timeoutMs = 10000);

// Runs a script on a second thread while the test thread sits in a modal
// dialog. Finish() joins it and then makes sure no dialog of `owner` is left
// open (closing a stray one with Cancel and reporting it as a failure).
class DRIVER {
  public:
    DRIVER(HWND owner, std::function<void()> script);
    DRIVER(const DRIVER&) = delete;
    DRIVER& operator=(const DRIVER&) = delete;
    ~DRIVER();
    void Finish();

  private:
    HWND owner;
    std::thread thread;
};

// Watches for any dialog of `owner` while a call that should show none runs,
// closing and counting any that appears.
class WATCHDOG {
  public:
    explicit WATCHDOG(HWND owner);
    WATCHDOG(const WATCHDOG&) = delete;
    WATCHDOG& operator=(const WATCHDOG&) = delete;
    ~WATCHDOG();
    int Stop(); // joins; answers how many dialogs were seen

  private:
    std::atomic<bool> stop{false};
    std::atomic<int> seen{0};
    std::thread thread;
};

// Input as the user would give it, to the foreground window.
void PressKey(WORD virtualKey);
void TypeText(const char* text);
void Click(HWND dialog, int id); // BM_CLICK on the button
bool IsChecked(HWND dialog, int id);
std::wstring ControlTextW(HWND dialog, int id); // WM_GETTEXT through the wide call
// The thread's focus window as the system sees it.
HWND FocusOf(HWND window);

// A top-level window on its own thread. With fighting on, it takes the
// foreground back whenever it loses it (unless minimised), as some programs do.
class FOREIGN_WINDOW {
  public:
    FOREIGN_WINDOW();
    FOREIGN_WINDOW(const FOREIGN_WINDOW&) = delete;
    FOREIGN_WINDOW& operator=(const FOREIGN_WINDOW&) = delete;
    ~FOREIGN_WINDOW();

    HWND Get() const { return window; }
    void SetFighting(bool on) { fighting = on; }
    void BringToFront(); // from its own thread, and waits until it is in front
    int Activations() const { return activations; }
    int Minimisations() const { return minimisations; }
    void Destroy();

  private:
    void Run();
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    std::atomic<HWND> window{nullptr};
    std::atomic<bool> fighting{false};
    std::atomic<int> activations{0};
    std::atomic<int> minimisations{0};
    std::thread thread;
};
