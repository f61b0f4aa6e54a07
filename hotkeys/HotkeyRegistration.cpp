#include "hotkeys/HotkeyRegistration.h"

namespace {

UINT Modifiers(const HOTKEY_BINDING& binding) {
    return (binding.ctrl ? MOD_CONTROL : 0) | (binding.alt ? MOD_ALT : 0) | (binding.shift ? MOD_SHIFT : 0);
}

// A text that names no key or no command is no binding (a damaged value):
// the default stays. Registered as it reads, it would be refused next to the
// other action's, and the start would blame another program for it. So is a
// combination that would swallow ordinary typing: only a hand edit makes one.
// The id in the text never chooses the action: it is also the command the
// hotkey runs, and a stray one would end the program or restore a held window.
HOTKEY_BINDING StoredBinding(REGKEY& settings, int id) {
    HOTKEY_BINDING binding = DefaultBinding(id);
    STRING text = FormatBinding(binding);
    if (!settings.ReadString(binding.name.c_str(), text))
        return binding;
    HOTKEY_BINDING stored = ParseBinding(binding.name.c_str(), text.c_str());
    if (stored.key == 0 || stored.id == 0 || !LeavesTypingAlone(stored))
        return binding;
    stored.id = id;
    return stored;
}

} // namespace

bool HotkeysWanted(REGKEY& settings) {
    DWORD use = 1;
    settings.ReadDword("UseHotkey", use);
    return use != 0;
}

void LoadHotkeys(MV_WINBASE& window, HOTKEY_TABLE& table) {
    table.clear();
    table.push_back(StoredBinding(window.Settings(), HOTKEY_ID_HIDE_ACTIVE));
    table.push_back(StoredBinding(window.Settings(), HOTKEY_ID_POPUP_MENU));
    UnregisterHotkeys(window, table);
    RegisterHotkeys(window, table);
}

void RegisterHotkeys(MV_WINBASE& window, HOTKEY_TABLE& table) {
    if (!HotkeysWanted(window.Settings()) || table.empty())
        return;
    size_t failures = 0;
    for (HOTKEY_BINDING& binding : table) {
        binding.registered =
            RegisterHotKey(window.Handle(), binding.id, Modifiers(binding), binding.key) ? 1 : 0;
        if (binding.registered)
            continue;
        if (++failures == table.size())
            return; // nothing works: no point in asking
        STRING question = STRING::Format("The hotkey %s for %s\nis already in use by another application\n"
                                         "and will only work for the application\nthat registered it for on "
                                         "this desktop.\n\nWould you like to stop key registration?",
                                         DescribeBinding(binding).c_str(), binding.name.c_str());
        if (window.ShowMessage(question.c_str(), nullptr, MB_YESNO) == IDYES)
            return;
    }
}

// Every binding marked registered is released, whatever "UseHotkey" says now:
// the mark, not the setting, tells what the system holds.
void UnregisterHotkeys(MV_WINBASE& window, HOTKEY_TABLE& table) {
    for (HOTKEY_BINDING& binding : table)
        if (binding.registered && UnregisterHotKey(window.Handle(), binding.id))
            binding.registered = 0;
}
