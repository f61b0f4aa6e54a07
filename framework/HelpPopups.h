#pragma once
// HELP_POPUPS: one tooltip control of one dialog, with a text attached to
// individual controls of that dialog. The dialog that makes it owns it (a
// std::unique_ptr member, null while its help popups are off); the tooltip
// window goes with the object.

#include <windows.h>

class HELP_POPUPS {
  public:
    // maxTipWidth in pixels: a longer tip wraps, and every "\n" of a text
    // starts a new line. Tooltip() is null when the control could not be made
    // (the common controls not initialised, or no memory); AddTip then fails.
    HELP_POPUPS(HINSTANCE instance, HWND owner, int maxTipWidth);
    HELP_POPUPS(const HELP_POPUPS&) = delete;
    HELP_POPUPS& operator=(const HELP_POPUPS&) = delete;
    ~HELP_POPUPS();

    // The tooltip keeps its own copy of the text. False when the owner has no
    // such control or the tooltip refused the tool.
    bool AddTip(int controlId, const char* text);

    // A control that is transparent to the mouse (a static without SS_NOTIFY)
    // never sees the pointer, so its tool never triggers by itself: the owner
    // hands its own mouse messages (client coordinates) over here, and those
    // over such a control reach the tooltip as that control's. Before the tip
    // shows, the tooltip asks which window lies under the pointer; it is told
    // the control there, not the owner the system finds.
    void RelayMouse(int controlId, UINT message, WPARAM wParam, LPARAM lParam);

    HWND Tooltip() const { return tooltip; }
    HWND Owner() const { return owner; }

  private:
    static LRESULT CALLBACK TooltipProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    HWND WindowAt(POINT screen) const;
    bool PointerOverOwner() const;
    // This object's own message to the tooltip: answered whoever's message
    // the thread is answering meanwhile.
    LRESULT SendOwn(UINT message, WPARAM wParam, LPARAM lParam);

    HWND tooltip; // null once the tooltip has gone, with its owner or by itself
    HWND owner;
    WNDPROC tooltipProc = nullptr; // the control's own procedure, under ours
    int ownSends = 0;              // SendOwn calls under way
};
