#include "hotkeys/HotkeyBinding.h"

#include <climits>
#include <cstdlib>
#include <cstring>

namespace {

struct KEY_NAME {
    unsigned key;
    const char* name;
};

// Searched from the first row; the row of 255 ends it.
KEY_NAME const KEY_NAMES[] = {
    {1, "LBUTTON"},     {2, "RBUTTON"},      {3, "CANCEL"},         {4, "MBUTTON"},
    {8, "BACK"},        {9, "TAB"},          {12, "CLEAR"},         {13, "RETURN"},
    {16, "SHIFT"},      {17, "CONTROL"},     {18, "MENU"},          {19, "PAUSE"},
    {20, "CAPITAL"},    {27, "ESCAPE"},      {32, "SPACE"},         {33, "PRIOR"},
    {34, "NEXT"},       {35, "END"},         {36, "HOME"},          {37, "LEFT"},
    {38, "UP"},         {39, "RIGHT"},       {40, "DOWN"},          {41, "SELECT"},
    {42, "PRINT"},      {43, "EXECUTE"},     {44, "SNAPSHOT"},      {45, "INSERT"},
    {46, "DELETE"},     {47, "HELP"},        {91, "LWIN"},          {92, "RWIN"},
    {93, "APPS"},       {96, "NUMPAD0"},     {97, "NUMPAD1"},       {98, "NUMPAD2"},
    {99, "NUMPAD3"},    {100, "NUMPAD4"},    {101, "NUMPAD5"},      {102, "NUMPAD6"},
    {103, "NUMPAD7"},   {104, "NUMPAD8"},    {105, "NUMPAD9"},      {106, "MULTIPLY"},
    {107, "ADD"},       {108, "SEPARATOR"},  {109, "SUBTRACT"},     {110, "DECIMAL"},
    {111, "DIVIDE"},    {112, "F1"},         {113, "F2"},           {114, "F3"},
    {115, "F4"},        {116, "F5"},         {117, "F6"},           {118, "F7"},
    {119, "F8"},        {120, "F9"},         {121, "F10"},          {122, "F11"},
    {123, "F12"},       {124, "F13"},        {125, "F14"},          {126, "F15"},
    {127, "F16"},       {128, "F17"},        {129, "F18"},          {130, "F19"},
    {131, "F20"},       {132, "F21"},        {133, "F22"},          {134, "F23"},
    {135, "F24"},       {144, "NUMLOCK"},    {145, "SCROLL"},       {160, "LSHIFT"},
    {161, "RSHIFT"},    {162, "LCONTROL"},   {163, "RCONTROL"},     {164, "LMENU"},
    {165, "RMENU"},     {229, "PROCESSKEY"}, {246, "VK_ATTN"},      {247, "VK_CRSEL"},
    {248, "VK_EXSEL"},  {249, "VK_EREOF"},   {250, "VK_PLAY"},      {251, "VK_ZOOM"},
    {252, "VK_NONAME"}, {253, "VK_PA1"},     {254, "VK_OEM_CLEAR"}, {255, nullptr},
};

// Splits off the text before the first comma, and the comma; without one the
// whole rest, leaving nothing.
STRING SplitField(const char*& rest) {
    const char* comma = std::strchr(rest, ',');
    if (!comma) {
        STRING field(rest);
        rest += std::strlen(rest);
        return field;
    }
    STRING field(rest, static_cast<unsigned>(comma - rest));
    rest = comma + 1;
    return field;
}

int Flag(const STRING& field) {
    return field.ToInteger() != 0 ? 1 : 0;
}

// The id as FormatBinding writes it, with %u: a negative id is saved as a
// number beyond the range of a long, which ToInteger clamps. Such a number is
// read again over all 32 bits, so that every id reads back as it was saved.
int IdField(const STRING& field) {
    long value = field.ToInteger();
    if (value != LONG_MAX && value != LONG_MIN)
        return static_cast<int>(value);
    STRING digits(field);
    digits.Trim(" \t\r\n");
    return static_cast<int>(static_cast<unsigned long>(std::strtoull(digits.c_str(), nullptr, 10)));
}

STRING Describe(const HOTKEY_BINDING& binding, bool altBeforeShift) {
    STRING text("");
    if (binding.ctrl)
        text.Append("Ctrl+");
    if (binding.alt && altBeforeShift)
        text.Append("Alt+");
    if (binding.shift)
        text.Append("Shft+");
    if (binding.alt && !altBeforeShift)
        text.Append("Alt+");
    return text + KeyName(binding.key);
}

} // namespace

HOTKEY_BINDING DefaultBinding(int id) {
    HOTKEY_BINDING binding;
    binding.name = id == HOTKEY_ID_HIDE_ACTIVE ? "Hide Active" : "Popup Menu";
    binding.ctrl = 1;
    binding.shift = 1;
    binding.key = id == HOTKEY_ID_HIDE_ACTIVE ? 'H' : 'M';
    binding.id = id;
    return binding;
}

bool SameCombination(const HOTKEY_BINDING& a, const HOTKEY_BINDING& b) {
    return a.ctrl == b.ctrl && a.shift == b.shift && a.alt == b.alt && a.key == b.key;
}

bool LeavesTypingAlone(const HOTKEY_BINDING& binding) {
    return binding.ctrl || binding.alt || (binding.key >= VK_F1 && binding.key <= VK_F24);
}

bool SameBinding(const HOTKEY_BINDING& a, const HOTKEY_BINDING& b) {
    return SameCombination(a, b) && a.id == b.id;
}

STRING FormatBinding(const HOTKEY_BINDING& binding) {
    return STRING::Format("%u,%u,%u,%u,%u", static_cast<unsigned>(binding.ctrl),
                          static_cast<unsigned>(binding.shift), static_cast<unsigned>(binding.alt),
                          static_cast<unsigned>(binding.key), static_cast<unsigned>(binding.id));
}

HOTKEY_BINDING ParseBinding(const char* name, const char* text) {
    HOTKEY_BINDING binding;
    binding.name = name;
    const char* rest = text ? text : "";
    binding.ctrl = Flag(SplitField(rest));
    binding.shift = Flag(SplitField(rest));
    binding.alt = Flag(SplitField(rest));
    binding.key = static_cast<WORD>(SplitField(rest).ToInteger());
    binding.id = IdField(STRING(rest));
    return binding;
}

STRING DescribeBinding(const HOTKEY_BINDING& binding) {
    return Describe(binding, true);
}

STRING CombinationText(const HOTKEY_BINDING& binding) {
    return Describe(binding, false);
}

STRING KeyName(unsigned key) {
    for (const KEY_NAME* row = KEY_NAMES; row->key != 255; ++row)
        if (row->key == key)
            return STRING(row->name);
    char character[2] = {static_cast<char>(key & 0xFF), 0};
    return STRING(character);
}
