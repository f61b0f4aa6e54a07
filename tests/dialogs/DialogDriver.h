#pragma once
// Test support for the dialogs: the owner window, the scratch settings key,
// and a foreign window on a thread of its own that can fight for the
// foreground. The dialogs run modally in the test thread and are answered
// from a second one (support/Dialog.h).

#include "support/Dialog.h"
#include "support/Input.h"
#include "support/Poll.h"
#include "support/Registry.h"

#include <windows.h>

#include <atomic>
#include <thread>

// The visible top-level window of the test thread that owns the dialogs,
// carrying the program icon; shared by all tests, brought to the front by each.
class TEST_OWNER {
  public:
    TEST_OWNER();
    HWND Get() const { return window; }

  private:
    HWND window = nullptr;
};

HICON ProgramIcon();

// HKLM\Software\MorvaneUtilities\Vaylo\DialogsTest, thrown away before and
// after each test; values live in the subkey named like the setting.
class TEST_KEY : public SCRATCH_KEY {
  public:
    TEST_KEY() : SCRATCH_KEY(Path()) {}
    static const char* Path() { return "Software\\MorvaneUtilities\\Vaylo\\DialogsTest"; }
};

// A volatile key beside TEST_KEY: a setting's subkey below it cannot be made,
// so every settings write there is refused.
class REFUSING_KEY : public VOLATILE_KEY {
  public:
    REFUSING_KEY() : VOLATILE_KEY(Path()) {}
    static const char* Path() { return "Software\\MorvaneUtilities\\Vaylo\\DialogsRefusingTest"; }
};

// Answers each message that tells what could not be saved, owned by `owner`,
// and keeps the text of the last one.
class UNSAVED_MESSAGES {
  public:
    explicit UNSAVED_MESSAGES(HWND owner);
    int Stop() { return answerer.Stop(); } // how many came
    std::wstring text;

  private:
    ANSWERER answerer;
};

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
