#include "framework/ListBox.h"

#include <cstring>
#include <vector>

MV_LISTBOX::MV_LISTBOX(HWND listBox) : hwnd(listBox), lastResult(listBox ? 0 : LB_ERR) {}

// SendMessage answers 0, not LB_ERR, for a null or dead handle; 0 would read as
// "entry 0" or "no entries", so such a wrapper answers LB_ERR itself.
LRESULT MV_LISTBOX::Send(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT answer = (hwnd && IsWindow(hwnd)) ? SendMessageA(hwnd, message, wParam, lParam) : LB_ERR;
    lastResult = static_cast<int>(answer);
    return answer;
}

LRESULT MV_LISTBOX::SendWide(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT answer = (hwnd && IsWindow(hwnd)) ? SendMessageW(hwnd, message, wParam, lParam) : LB_ERR;
    lastResult = static_cast<int>(answer);
    return answer;
}

bool MV_LISTBOX::Clear() {
    return Send(LB_RESETCONTENT, 0, 0) != LB_ERR;
}

int MV_LISTBOX::GetCount() {
    return static_cast<int>(Send(LB_GETCOUNT, 0, 0));
}

int MV_LISTBOX::GetCurSel() {
    return static_cast<int>(Send(LB_GETCURSEL, 0, 0));
}

bool MV_LISTBOX::FindAndSelect(const char* text) {
    int index = FindString(text, 0);
    if (index == LB_ERR)
        return false;
    return SetCurSel(index);
}

bool MV_LISTBOX::SetCurSel(int index) {
    return Send(LB_SETCURSEL, index, 0) != LB_ERR;
}

bool MV_LISTBOX::HasSelection() {
    int count = 0;
    if (GetSelCount(count))
        return count != 0;
    return GetCurSel() != LB_ERR;
}

bool MV_LISTBOX::GetSelTexts(STRING_LIST& texts) {
    int count = 0;
    if (!GetSelCount(count))
        return false;
    if (count == 0) {
        texts.clear();
        return true;
    }
    std::vector<int> indices(count);
    if (Send(LB_GETSELITEMS, count, reinterpret_cast<LPARAM>(indices.data())) == LB_ERR)
        return false;
    for (int index : indices) {
        STRING text = GetText(index);
        if (lastResult == LB_ERR)
            return false; // texts read so far stay in the list
        texts.push_back(std::move(text));
    }
    return true;
}

STRING MV_LISTBOX::GetSelText() {
    int index = GetCurSel();
    if (index == LB_ERR)
        return STRING();
    return GetText(index);
}

bool MV_LISTBOX::ClearSelection() {
    Send(LB_SETCURSEL, static_cast<WPARAM>(-1), 0); // the control answers LB_ERR for "no selection"
    return true;
}

int MV_LISTBOX::SelectString(const char* text) {
    return static_cast<int>(Send(LB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text)));
}

int MV_LISTBOX::FindString(const char* text, int start) {
    return static_cast<int>(
        Send(LB_FINDSTRING, static_cast<WPARAM>(start - 1), reinterpret_cast<LPARAM>(text)));
}

bool MV_LISTBOX::IsSelected(int index) {
    return Send(LB_GETSEL, index, 0) > 0;
}

bool MV_LISTBOX::Select(int index) {
    return Send(LB_SETSEL, TRUE, index) != LB_ERR;
}

bool MV_LISTBOX::Deselect(int index) {
    return Send(LB_SETSEL, FALSE, index) != LB_ERR;
}

int MV_LISTBOX::AddString(const char* text) {
    return static_cast<int>(Send(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text ? text : "")));
}

int MV_LISTBOX::AddString(const wchar_t* text) {
    return static_cast<int>(SendWide(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text ? text : L"")));
}

void MV_LISTBOX::AddStrings(const STRING_LIST& texts) {
    for (const STRING& text : texts)
        AppendString(text.c_str());
}

int MV_LISTBOX::AppendString(const char* text) {
    return static_cast<int>(
        Send(LB_INSERTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text ? text : "")));
}

int MV_LISTBOX::AppendLines(const char* text) {
    if (!text)
        text = "";
    if (!std::strchr(text, '\n'))
        return AppendString(text);
    const char* rest = text;
    while (*rest) {
        const char* feed = std::strchr(rest, '\n');
        if (!feed) {
            AppendString(rest);
            break;
        }
        STRING line(rest, static_cast<unsigned>(feed - rest));
        AppendString(line.c_str());
        rest = feed + 1;
    }
    return lastResult;
}

int MV_LISTBOX::InsertString(const char* text, int index) {
    return static_cast<int>(Send(LB_INSERTSTRING, index, reinterpret_cast<LPARAM>(text ? text : "")));
}

// Keeps the view from jumping: after a delete the list scrolls back one entry.
int MV_LISTBOX::DeleteString(int index) {
    int top = GetTopIndex();
    int left = static_cast<int>(Send(LB_DELETESTRING, index, 0));
    if (top > 0 && left > 0)
        SetTopIndex(top - 1);
    return left;
}

LRESULT MV_LISTBOX::GetItemData(int index) {
    return Send(LB_GETITEMDATA, index, 0);
}

bool MV_LISTBOX::SetItemData(int index, LPARAM value) {
    return Send(LB_SETITEMDATA, index, value) != LB_ERR;
}

LRESULT MV_LISTBOX::GetSelItemData() {
    int index = GetCurSel();
    return Send(LB_GETITEMDATA, index, 0);
}

int MV_LISTBOX::SetTabStops(int count, const int* stops) {
    return static_cast<int>(Send(LB_SETTABSTOPS, static_cast<WORD>(count), reinterpret_cast<LPARAM>(stops)));
}

int MV_LISTBOX::GetItemHeight() {
    return static_cast<int>(Send(LB_GETITEMHEIGHT, 0, 0));
}

bool MV_LISTBOX::SetTopIndex(int index) {
    return Send(LB_SETTOPINDEX, index, 0) != LB_ERR;
}

int MV_LISTBOX::GetTopIndex() {
    return static_cast<int>(Send(LB_GETTOPINDEX, 0, 0));
}

int MV_LISTBOX::GetLastVisibleIndex() {
    int count = GetCount();
    int last = count > 0 ? count - 1 : 0;
    int top = GetTopIndex();
    int visible = GetVisibleCount();
    int lastShown = visible > 0 ? top + visible - 1 : top;
    return lastShown < last ? lastShown : last;
}

int MV_LISTBOX::GetVisibleCount() {
    int itemHeight = GetItemHeight();
    if (itemHeight == LB_ERR || itemHeight == 0)
        return 0;
    RECT client = {};
    if (!GetClientRect(hwnd, &client))
        return 0;
    return client.bottom / itemHeight;
}

STRING MV_LISTBOX::GetText(int index) {
    LRESULT length = Send(LB_GETTEXTLEN, index, 0);
    if (length == LB_ERR || length < 0)
        return STRING();
    std::vector<char> buffer(static_cast<size_t>(length) + 1, '\0');
    LRESULT copied = Send(LB_GETTEXT, index, reinterpret_cast<LPARAM>(buffer.data()));
    if (copied == LB_ERR || copied < 0)
        return STRING();
    if (copied > length)
        copied = length; // never past the buffer the length allowed for
    return STRING(buffer.data(), static_cast<unsigned>(copied));
}

void MV_LISTBOX::SetStrings(const STRING_LIST& texts) {
    Clear();
    int visible = GetVisibleCount();
    size_t skip =
        texts.size() > static_cast<size_t>(visible) ? texts.size() - static_cast<size_t>(visible) : 0;
    for (const STRING& text : texts) {
        if (skip) {
            --skip;
            continue;
        }
        AppendString(text.c_str());
    }
}

int MV_LISTBOX::CopyFrom(MV_LISTBOX other) {
    Clear();
    int index = 0;
    int count = other.GetCount();
    for (; index < count; count = other.GetCount()) {
        STRING text = other.GetText(index);
        AppendString(text.c_str());
        ++index;
    }
    return count;
}

LRESULT MV_LISTBOX::SetListFont(HFONT font) {
    return Send(WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

bool MV_LISTBOX::GetSelCount(int& count) {
    LRESULT answer = Send(LB_GETSELCOUNT, 0, 0);
    if (answer == LB_ERR)
        return false;
    count = static_cast<int>(answer);
    return true;
}

bool MV_LISTBOX::SelectRange(bool select, int first, int last) {
    return Send(LB_SELITEMRANGE, select ? TRUE : FALSE, MAKELPARAM(first, last)) != LB_ERR;
}

bool MV_LISTBOX::SelectAll(bool select) {
    return Send(LB_SETSEL, select ? TRUE : FALSE, static_cast<LPARAM>(-1)) != LB_ERR;
}
