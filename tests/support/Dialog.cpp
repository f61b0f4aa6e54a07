#include "support/Dialog.h"

#include "support/Poll.h"

#include <gtest/gtest.h>

void ClickButton(HWND dialog, int id) {
    PostMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

void PressButton(HWND dialog, int id) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

bool SetControlText(HWND dialog, int id, const char* text) {
    DWORD_PTR ignored = 0;
    return SendMessageTimeoutA(GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text),
                               SMTO_ABORTIFHUNG, WAIT_MS, &ignored) != 0;
}

std::wstring ControlText(HWND dialog, int id) {
    HWND control = GetDlgItem(dialog, id);
    LRESULT length = 0;
    if (control == nullptr || !BoundedSend(control, WM_GETTEXTLENGTH, 0, 0, &length))
        return L"";
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    LRESULT copied = 0;
    if (!BoundedSend(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]), &copied))
        return L"";
    text.resize(static_cast<size_t>(copied));
    return text;
}

std::wstring ChildTexts(HWND window) {
    std::wstring texts;
    for (HWND child = GetWindow(window, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t text[2048] = {};
        LRESULT copied = 0;
        if (BoundedSend(child, WM_GETTEXT, sizeof text / sizeof text[0], reinterpret_cast<LPARAM>(text),
                        &copied))
            texts.append(text, static_cast<size_t>(copied)).append(L"\n");
    }
    return texts;
}

std::wstring SystemReason(DWORD error) {
    wchar_t text[512] = {};
    DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
                                  0, text, sizeof text / sizeof text[0], nullptr);
    std::wstring reason(text, length);
    while (!reason.empty() && (reason.back() == L'\n' || reason.back() == L'\r' || reason.back() == L'.'))
        reason.pop_back();
    return reason;
}

bool IsChecked(HWND dialog, int id) {
    LRESULT state = 0;
    return BoundedSend(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0, &state) && state == BST_CHECKED;
}

void Cancel(HWND dialog, int) {
    PressButton(dialog, IDCANCEL);
}

ANSWERER::ANSWERER(const WINDOW_QUERY& windows, std::function<void(HWND, int)> answer)
    : query(windows), script(std::move(answer)) {
    thread = std::thread([this] {
        while (!stop) {
            HWND window = FirstWindow(query);
            if (window == nullptr) {
                Sleep(5);
                continue;
            }
            script(window, ++seen);
            PollUntil([window] { return !IsWindow(window) || !IsWindowVisible(window); });
        }
    });
}

int ANSWERER::Stop() {
    stop = true;
    if (thread.joinable())
        thread.join();
    return seen;
}

DRIVER::DRIVER(const WINDOW_QUERY& dialog, std::function<void(HWND)> script) {
    thread = std::thread([this, dialog, script] {
        HWND window = nullptr;
        if (!PollUntil([&] { return (window = FirstWindow(dialog)) != nullptr; })) {
            ADD_FAILURE() << "\"" << (dialog.title ? dialog.title : L"a dialog") << "\" did not open";
            return;
        }
        opened = true;
        // A modal dialog is shown once WM_INITDIALOG has returned: before
        // that its controls and tooltips may not all be there yet.
        PollUntil([&] { return IsWindowVisible(window) != FALSE; });
        script(window);
        // The test thread is still inside the modal run until the dialog goes.
        WINDOW_QUERY any = dialog;
        any.title = nullptr;
        if (PollUntil([&] { return FirstWindow(any) == nullptr; }))
            return;
        ADD_FAILURE() << "a dialog was left open; closing it with Cancel";
        while (HWND stray = FirstWindow(any)) {
            PressButton(stray, IDCANCEL);
            PollUntil([&] { return !IsWindow(stray); }, 2000);
        }
    });
}

bool DRIVER::Finish() {
    if (thread.joinable())
        thread.join();
    return opened;
}
