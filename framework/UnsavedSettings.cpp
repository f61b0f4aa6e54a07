#include "framework/UnsavedSettings.h"

#include "foundation/SystemUtilities.h"
#include "framework/WindowUtilities.h"

bool UNSAVED_SETTINGS::Note(bool written, const char* what, DWORD error) {
    if (written)
        return true;
    lines.Append("\n")
        .Append(what ? what : "A setting")
        .Append(": ")
        .Append(SystemErrorText(error))
        .Append(".");
    ++count;
    return false;
}

bool UNSAVED_SETTINGS::WriteDword(REGKEY& key, const char* name, DWORD value, const char* what) {
    bool written = key.WriteDword(name, value);
    return Note(written, what, static_cast<DWORD>(key.status));
}

bool UNSAVED_SETTINGS::WriteString(REGKEY& key, const char* name, const char* value, const char* what) {
    bool written = key.WriteString(name, value);
    return Note(written, what, static_cast<DWORD>(key.status));
}

STRING UNSAVED_SETTINGS::Text() const {
    if (count == 0)
        return STRING("");
    STRING text(count == 1 ? "This setting could not be saved:\n" : "These settings could not be saved:\n");
    text.Append(lines).Append("\n\nThe options show what is stored when they are opened again.");
    return text;
}

void UNSAVED_SETTINGS::Tell(HWND owner) const {
    if (count == 0)
        return;
    STRING text = Text();
    MSGBOXPARAMSA box = {};
    box.cbSize = sizeof box;
    box.hwndOwner = owner;
    box.lpszText = text.c_str();
    box.lpszCaption = Caption();
    box.dwStyle = MB_OK | MB_ICONWARNING;
    MessageBoxOverOwner(box, nullptr);
}
