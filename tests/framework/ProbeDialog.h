#pragma once
// A small dialog on the real framework classes that runs a test body inside
// its own modal loop and records what reaches its DialogProc.

#include "framework/ModalDialog.h"
#include "ProbeIds.h"

#include <windows.h>

#include <functional>
#include <stdexcept>
#include <vector>

UINT const WM_PROBE_RUN = WM_APP + 10;   // runs the body, then ends the dialog
UINT const WM_PROBE_THROW = WM_APP + 11; // DialogProc throws
UINT const WM_PROBE_ONE = WM_APP + 12;   // DialogProc answers 1

class PROBE_DIALOG : public MV_MODALDIALOG {
public:
    typedef std::function<void(PROBE_DIALOG&)> BODY;

    PROBE_DIALOG(UINT dialogTemplate, HWND owner, BODY testBody)
        : MV_MODALDIALOG(nullptr, dialogTemplate, owner, GetModuleHandleA(nullptr)), body(std::move(testBody))
    {
    }

    INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM) override
    {
        received.push_back(message);
        switch (message) {
        case WM_INITDIALOG: PostMessageA(hwnd, WM_PROBE_RUN, 0, 0); return TRUE;
        case WM_PROBE_RUN: RunBody(); return TRUE;
        case WM_PROBE_THROW: throw std::runtime_error("probe");
        case WM_PROBE_ONE: return 1;
        case WM_CTLCOLORSTATIC: return reinterpret_cast<INT_PTR>(ownBrush);
        case WM_TIMER:
            if (onTimer) onTimer(*this, wParam);
            return TRUE;
        default: return FALSE;
        }
    }

    bool HasLayout() const override { return layout; }
    bool HasTrayIcon() const override { return tray; }
    void OnStatusBarSized(HWND bar) override { statusBarsSized.push_back(bar); }

    bool Received(UINT message) const
    {
        for (UINT seen : received)
            if (seen == message) return true;
        return false;
    }

    const std::map<HWND, RECT>& CapturedRects() const { return childRects; }

    bool layout = false;
    bool tray = false;
    HBRUSH ownBrush = nullptr; // answer to WM_CTLCOLORSTATIC
    std::vector<UINT> received;
    std::vector<HWND> statusBarsSized;
    std::function<void(PROBE_DIALOG&, WPARAM)> onTimer;

private:
    void RunBody()
    {
        if (body) body(*this);
        if (IsWindow(hwnd)) EndDialog(hwnd, 1);
    }

    BODY body;
};

// The rectangle of a child in its parent's client coordinates.
inline RECT ClientRectOf(HWND child)
{
    RECT rect = {};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

inline bool SameRect(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
