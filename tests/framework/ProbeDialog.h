#pragma once
// A small dialog on the real framework classes that runs a test body inside
// its own modal loop (support/ModalProbe.h) and records what reaches its
// DialogProc.

#include "ProbeIds.h"

#include "framework/ModalDialog.h"
#include "support/ModalProbe.h"

#include <windows.h>

#include <stdexcept>
#include <vector>

UINT const WM_PROBE_THROW = WM_APP + 11; // DialogProc throws
UINT const WM_PROBE_ONE = WM_APP + 12;   // DialogProc answers 1

class PROBE_DIALOG : public MODAL_PROBE<PROBE_DIALOG, MV_MODALDIALOG> {
  public:
    PROBE_DIALOG(UINT dialogTemplate, HWND owner, BODY testBody)
        : MODAL_PROBE(std::move(testBody), nullptr, dialogTemplate, owner, GetModuleHandleA(nullptr)) {}

    INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM) override {
        received.push_back(message);
        if (ProbeMessage(message, wParam))
            return TRUE;
        switch (message) {
        case WM_PROBE_THROW: throw std::runtime_error("probe");
        case WM_PROBE_ONE: return 1;
        case WM_CTLCOLORSTATIC: return reinterpret_cast<INT_PTR>(ownBrush);
        default: return FALSE;
        }
    }

    bool HasLayout() const override { return layout; }
    bool HasTrayIcon() const override { return tray; }
    void OnStatusBarSized(HWND bar) override { statusBarsSized.push_back(bar); }

    bool Received(UINT message) const {
        for (UINT seen : received)
            if (seen == message)
                return true;
        return false;
    }

    const std::map<HWND, RECT>& CapturedRects() const { return childRects; }

    bool layout = false;
    bool tray = false;
    HBRUSH ownBrush = nullptr; // answer to WM_CTLCOLORSTATIC
    std::vector<UINT> received;
    std::vector<HWND> statusBarsSized;
};

// The rectangle of a child in its parent's client coordinates.
inline RECT ClientRectOf(HWND child) {
    RECT rect = {};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

inline bool SameRect(const RECT& a, const RECT& b) {
    return EqualRect(&a, &b) != FALSE;
}
