#pragma once
// MV_LISTBOX: a thin, non-owning wrapper around a list box handle, made on the
// stack around a dialog item. Almost every operation sends one LB_ message
// and keeps the control's raw answer in lastResult.

#include "foundation/TextString.h"

#include <windows.h>

#include <list>

typedef std::list<STRING> STRING_LIST;

class MV_LISTBOX {
  public:
    explicit MV_LISTBOX(HWND listBox);

    // Virtual operations, in slot order. "ok" results are false on LB_ERR.
    virtual bool Clear();                                       // 0
    virtual int GetCount();                                     // 1
    virtual int GetCurSel();                                    // 2
    virtual bool FindAndSelect(const char* text);               // 3
    virtual bool SetCurSel(int index);                          // 4
    virtual bool HasSelection();                                // 5
    virtual bool GetSelTexts(STRING_LIST& texts);               // 6
    virtual STRING GetSelText();                                // 7
    virtual bool ClearSelection();                              // 8
    virtual int SelectString(const char* text);                 // 9
    virtual int FindString(const char* text, int start = 0);    // 10
    virtual bool IsSelected(int index);                         // 11
    virtual bool Select(int index);                             // 12
    virtual bool Deselect(int index);                           // 13
    virtual int AddString(const char* text);                    // 14
    virtual void AddStrings(const STRING_LIST& texts);          // 15
    virtual int AppendString(const char* text);                 // 16
    virtual int AppendLines(const char* text);                  // 17
    virtual int InsertString(const char* text, int index);      // 18
    virtual int DeleteString(int index);                        // 19
    virtual LRESULT GetItemData(int index);                     // 20
    virtual bool SetItemData(int index, LPARAM value);          // 21
    virtual LRESULT GetSelItemData();                           // 22
    virtual int SetTabStops(int count, const int* stops);       // 23
    virtual int GetItemHeight();                                // 24
    virtual bool SetTopIndex(int index);                        // 25
    virtual int GetTopIndex();                                  // 26
    virtual int GetLastVisibleIndex();                          // 27
    virtual int GetVisibleCount();                              // 28
    virtual STRING GetText(int index);                          // 29
    virtual void SetStrings(const STRING_LIST& texts);          // 30
    virtual int CopyFrom(MV_LISTBOX other);                     // 31
    virtual LRESULT SetListFont(HFONT font);                    // 32
    virtual bool GetSelCount(int& count);                       // 33
    virtual bool SelectRange(bool select, int first, int last); // 34
    virtual bool SelectAll(bool select);                        // 35

    // Wide text for what the program shows as it is (window titles): sent as
    // LB_ADDSTRING through SendMessageW, so the control keeps every character.
    int AddString(const wchar_t* text);

    HWND Handle() const { return hwnd; }

    HWND hwnd;
    int lastResult; // answer of the last message sent; -1 is LB_ERR

  private:
    LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT SendWide(UINT message, WPARAM wParam, LPARAM lParam);
};
