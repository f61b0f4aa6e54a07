// The resources compiled into Vaylo.exe, read back from the file itself.

#include "Desktop.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

// Vaylo.exe loaded for its resources only; nothing of it runs.
class RESOURCE_MODULE {
  public:
    RESOURCE_MODULE() : module(LoadLibraryExA(VayloPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {}
    ~RESOURCE_MODULE() {
        if (module != nullptr)
            FreeLibrary(module);
    }
    RESOURCE_MODULE(const RESOURCE_MODULE&) = delete;
    RESOURCE_MODULE& operator=(const RESOURCE_MODULE&) = delete;
    HMODULE module;
};

// A name-or-ordinal field of a dialog template.
struct NAME_OR_ORDINAL {
    WORD ordinal = 0; // nonzero when the field is an ordinal
    std::wstring name;
};

struct DIALOG_ITEM {
    DWORD style = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    WORD id = 0;
    NAME_OR_ORDINAL windowClass;
    NAME_OR_ORDINAL title;
};

struct DIALOG_TEMPLATE {
    DWORD style = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    NAME_OR_ORDINAL menu;
    NAME_OR_ORDINAL windowClass;
    std::wstring title;
    WORD pointSize = 0;
    std::wstring fontName;
    std::vector<DIALOG_ITEM> items;
};

class TEMPLATE_READER {
  public:
    TEMPLATE_READER(const BYTE* data, DWORD size) : at(data), end(data + size) {}
    bool ok = true;

    WORD Word() {
        if (at + 2 > end) {
            ok = false;
            return 0;
        }
        WORD value = static_cast<WORD>(at[0] | (at[1] << 8));
        at += 2;
        return value;
    }
    DWORD Dword() {
        DWORD low = Word();
        return low | (static_cast<DWORD>(Word()) << 16);
    }
    short Short() { return static_cast<short>(Word()); }
    std::wstring Text() {
        std::wstring text;
        for (WORD c = Word(); ok && c != 0; c = Word())
            text.push_back(static_cast<wchar_t>(c));
        return text;
    }
    NAME_OR_ORDINAL NameOrOrdinal() {
        NAME_OR_ORDINAL field;
        WORD first = Word();
        if (first == 0xFFFF) {
            field.ordinal = Word();
        } else if (first != 0) {
            field.name.push_back(static_cast<wchar_t>(first));
            field.name += Text();
        }
        return field;
    }
    void AlignDword(const BYTE* base) {
        while ((at - base) % 4 != 0)
            ++at;
    }
    const BYTE* at;
    const BYTE* end;
};

bool ReadDialog(HMODULE module, int id, DIALOG_TEMPLATE& dialog) {
    HRSRC resource = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(5) /* RT_DIALOG */);
    if (resource == nullptr)
        return false;
    const BYTE* data = static_cast<const BYTE*>(LockResource(LoadResource(module, resource)));
    DWORD size = SizeofResource(module, resource);
    if (data == nullptr)
        return false;
    TEMPLATE_READER reader(data, size);
    dialog.style = reader.Dword();
    reader.Dword(); // extended style
    WORD count = reader.Word();
    dialog.x = reader.Short();
    dialog.y = reader.Short();
    dialog.cx = reader.Short();
    dialog.cy = reader.Short();
    dialog.menu = reader.NameOrOrdinal();
    dialog.windowClass = reader.NameOrOrdinal();
    dialog.title = reader.Text();
    if (dialog.style & DS_SETFONT) {
        dialog.pointSize = reader.Word();
        dialog.fontName = reader.Text();
    }
    for (WORD i = 0; i < count && reader.ok; ++i) {
        reader.AlignDword(data);
        DIALOG_ITEM item;
        item.style = reader.Dword();
        reader.Dword(); // extended style
        item.x = reader.Short();
        item.y = reader.Short();
        item.cx = reader.Short();
        item.cy = reader.Short();
        item.id = reader.Word();
        item.windowClass = reader.NameOrOrdinal();
        item.title = reader.NameOrOrdinal();
        WORD extra = reader.Word();
        reader.at += extra;
        dialog.items.push_back(item);
    }
    return reader.ok;
}

// The predefined control classes a template may name by atom.
std::wstring ClassName(const NAME_OR_ORDINAL& field) {
    switch (field.ordinal) {
    case 0x80: return L"BUTTON";
    case 0x81: return L"EDIT";
    case 0x82: return L"STATIC";
    case 0x83: return L"LISTBOX";
    case 0x84: return L"SCROLLBAR";
    case 0x85: return L"COMBOBOX";
    case 0: break;
    default: return L"?";
    }
    std::wstring upper = field.name;
    for (wchar_t& c : upper)
        c = static_cast<wchar_t>(towupper(c));
    return upper;
}

TEST(Resources, MainDialogTemplate_HasEveryControlInPlace) {
    RESOURCE_MODULE exe;
    ASSERT_NE(exe.module, nullptr);
    DIALOG_TEMPLATE dialog;
    ASSERT_TRUE(ReadDialog(exe.module, IDD_MAIN, dialog));

    EXPECT_EQ(dialog.style, static_cast<DWORD>(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME |
                                               WS_MINIMIZEBOX | DS_SETFONT));
    EXPECT_EQ(dialog.title, L"Window Vaylo");
    EXPECT_EQ(dialog.pointSize, 8);
    EXPECT_EQ(dialog.fontName, L"MS Sans Serif");
    EXPECT_EQ(dialog.cx, 237);
    EXPECT_EQ(dialog.cy, 156);
    EXPECT_EQ(dialog.menu.ordinal, 0);
    EXPECT_TRUE(dialog.menu.name.empty());
    EXPECT_TRUE(dialog.windowClass.name.empty());

    DWORD const listStyle = LBS_NOTIFY | LBS_SORT | LBS_OWNERDRAWVARIABLE | LBS_HASSTRINGS |
                            LBS_NOINTEGRALHEIGHT | WS_BORDER | WS_VSCROLL | WS_TABSTOP;
    struct EXPECTED {
        WORD id;
        const wchar_t* windowClass;
        const wchar_t* caption; // null: the icon ordinal below
        DWORD typeStyle;        // button type, static type, or the list box bits
        bool visible;
        short x, y, cx, cy;
    } const expected[] = {
        {IDC_HIDE_ME, L"BUTTON", L"&Hide Me", BS_DEFPUSHBUTTON, true, 0, 135, 50, 14},
        {IDC_EXIT, L"BUTTON", L"E&xit", BS_PUSHBUTTON, true, 180, 135, 50, 14},
        {IDC_WINDOW_LIST, L"LISTBOX", L"", listStyle, true, 0, 37, 237, 90},
        {0xFFFF, L"STATIC", L"Drag the icon over a window to  select", SS_LEFT, true, 37, 2, 122, 8},
        {0xFFFF, L"STATIC", L"or double click from the list to hide", SS_LEFT, true, 36, 12, 108, 8},
        {IDC_VIEW_HIDDEN, L"BUTTON", L"Vie&w Hidden Windows", BS_PUSHBUTTON, true, 72, 135, 92, 14},
        {IDC_ABOUT, L"BUTTON", L"&About", BS_PUSHBUTTON, true, 185, 19, 44, 15},
        {IDC_OPTIONS, L"BUTTON", L"&Options", BS_PUSHBUTTON, true, 185, 1, 44, 15},
        {IDC_HOTKEY_HIDE_ACTIVE, L"BUTTON", L"hidden button for hot key", BS_PUSHBUTTON, false, 162, 3, 11,
         9},
        {IDC_HOTKEY_POPUP_MENU, L"BUTTON", L"hidden button for hot key", BS_PUSHBUTTON, false, 162, 15, 11,
         9},
        {IDC_PICKER, L"STATIC", nullptr, SS_ICON, true, 12, 2, 16, 16},
    };
    ASSERT_EQ(dialog.items.size(), sizeof expected / sizeof expected[0]);
    for (size_t i = 0; i < dialog.items.size(); ++i) {
        const DIALOG_ITEM& item = dialog.items[i];
        const EXPECTED& want = expected[i];
        SCOPED_TRACE(i);
        EXPECT_EQ(item.id, want.id);
        EXPECT_EQ(ClassName(item.windowClass), want.windowClass);
        if (want.caption != nullptr) {
            EXPECT_EQ(item.title.ordinal, 0);
            EXPECT_EQ(item.title.name, want.caption);
        } else {
            EXPECT_EQ(item.title.ordinal, IDI_PICKER);
        }
        EXPECT_EQ((item.style & WS_VISIBLE) != 0, want.visible);
        EXPECT_NE(item.style & WS_CHILD, 0u);
        std::wstring windowClass = ClassName(item.windowClass);
        if (windowClass == L"LISTBOX") {
            EXPECT_EQ(item.style & want.typeStyle, want.typeStyle);
        } else if (windowClass == L"STATIC") {
            EXPECT_EQ(item.style & (SS_TYPEMASK | SS_NOTIFY), want.typeStyle);
        } else {
            EXPECT_EQ(item.style & BS_TYPEMASK, want.typeStyle);
        }
        EXPECT_EQ(item.x, want.x);
        EXPECT_EQ(item.y, want.y);
        EXPECT_EQ(item.cx, want.cx);
        EXPECT_EQ(item.cy, want.cy);
    }
}

BOOL CALLBACK CollectResourceName(HMODULE, LPCSTR, LPSTR name, LONG_PTR context) {
    reinterpret_cast<std::vector<ULONG_PTR>*>(context)->push_back(reinterpret_cast<ULONG_PTR>(name));
    return TRUE;
}

// The program icon: six sizes in 32-bit colour with alpha, which the system
// picks at its icon sizes from 100 to 200 % (16 to 32 small, 32 to 48 large),
// and the 16-colour 16 and 32 for systems without alpha.
TEST(Resources, ProgramIcon_SixSizesWithAlpha_AndTheSixteenColourOnes) {
    RESOURCE_MODULE exe;
    ASSERT_NE(exe.module, nullptr);
    HRSRC group = FindResourceA(exe.module, MAKEINTRESOURCEA(IDI_PROGRAM), MAKEINTRESOURCEA(14));
    ASSERT_NE(group, nullptr);
    BYTE* directory = static_cast<BYTE*>(LockResource(LoadResource(exe.module, group)));
    ASSERT_NE(directory, nullptr);
    std::vector<std::pair<int, int>> images; // width, bits per pixel
    WORD count = *reinterpret_cast<const WORD*>(directory + 4);
    for (WORD i = 0; i < count; ++i) {
        const BYTE* entry = directory + 6 + 14 * i; // GRPICONDIRENTRY
        images.emplace_back(entry[0] ? entry[0] : 256, *reinterpret_cast<const WORD*>(entry + 6));
    }
    EXPECT_EQ((std::vector<std::pair<int, int>>{
                  {48, 32}, {40, 32}, {32, 32}, {24, 32}, {20, 32}, {16, 32}, {32, 4}, {16, 4}}),
              images);
    for (int side : {16, 20, 24, 32, 40, 48}) {
        int id = LookupIconIdFromDirectoryEx(directory, TRUE, side, side, LR_DEFAULTCOLOR);
        HRSRC image = FindResourceA(exe.module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(3) /* RT_ICON */);
        ASSERT_NE(image, nullptr) << side;
        const BITMAPINFOHEADER* header =
            static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(exe.module, image)));
        EXPECT_EQ(side, header->biWidth);
        EXPECT_EQ(32, header->biBitCount) << side;
    }
}

TEST(Resources, ProgramIconComesFirst_PickerCursorAndBitmapLoad) {
    RESOURCE_MODULE exe;
    ASSERT_NE(exe.module, nullptr);

    // ExtractIcon(file, 0) takes the first icon group in resource order.
    std::vector<ULONG_PTR> groups;
    EnumResourceNamesA(exe.module, MAKEINTRESOURCEA(14) /* RT_GROUP_ICON */, CollectResourceName,
                       reinterpret_cast<LONG_PTR>(&groups));
    ASSERT_EQ(groups.size(), 2u);
    EXPECT_EQ(groups[0], static_cast<ULONG_PTR>(IDI_PROGRAM));
    EXPECT_EQ(groups[1], static_cast<ULONG_PTR>(IDI_PICKER));
    HICON extracted = ExtractIconA(GetModuleHandleA(nullptr), VayloPath().c_str(), 0);
    EXPECT_NE(extracted, nullptr);
    if (extracted != nullptr)
        DestroyIcon(extracted);

    HICON picker =
        static_cast<HICON>(LoadImageA(exe.module, MAKEINTRESOURCEA(IDI_PICKER), IMAGE_ICON, 32, 32, 0));
    ASSERT_NE(picker, nullptr);
    DestroyIcon(picker);

    HCURSOR cursor =
        static_cast<HCURSOR>(LoadImageA(exe.module, MAKEINTRESOURCEA(IDC_CROSSHAIR), IMAGE_CURSOR, 0, 0, 0));
    ASSERT_NE(cursor, nullptr);
    ICONINFO info = {};
    ASSERT_TRUE(GetIconInfo(cursor, &info));
    EXPECT_FALSE(info.fIcon);
    EXPECT_EQ(info.xHotspot, 0u);
    EXPECT_EQ(info.yHotspot, 0u);
    if (info.hbmMask != nullptr)
        DeleteObject(info.hbmMask);
    if (info.hbmColor != nullptr)
        DeleteObject(info.hbmColor);
    DestroyCursor(cursor);

    HBITMAP notice =
        static_cast<HBITMAP>(LoadImageA(exe.module, MAKEINTRESOURCEA(IDB_NOTICE), IMAGE_BITMAP, 0, 0, 0));
    ASSERT_NE(notice, nullptr);
    BITMAP bitmap = {};
    EXPECT_NE(GetObjectA(notice, sizeof bitmap, &bitmap), 0);
    EXPECT_GT(bitmap.bmWidth, 0);
    DeleteObject(notice);
}

BOOL CALLBACK CollectLanguage(HMODULE, LPCSTR, LPCSTR name, WORD language, LONG_PTR context) {
    reinterpret_cast<std::vector<std::pair<ULONG_PTR, WORD>>*>(context)->push_back(
        {reinterpret_cast<ULONG_PTR>(name), language});
    return TRUE;
}

// The manifest's text with its comments taken out, so that words in them
// count for nothing.
std::string WithoutComments(std::string text) {
    for (size_t start = text.find("<!--"); start != std::string::npos; start = text.find("<!--", start)) {
        size_t end = text.find("-->", start);
        text.erase(start, end == std::string::npos ? std::string::npos : end + 3 - start);
    }
    return text;
}

// Exactly one manifest (no toolchain default beside it), asking for the
// current controls, naming every system from Vista on, DPI aware, and leaving
// the execution level unset so that Windows virtualises the settings writes.
TEST(Resources, OneManifest_CommonControls6_SupportedSystems_DpiAware_NoExecutionLevel) {
    RESOURCE_MODULE exe;
    ASSERT_NE(exe.module, nullptr);
    std::vector<ULONG_PTR> names;
    EnumResourceNamesA(exe.module, MAKEINTRESOURCEA(24) /* RT_MANIFEST */, CollectResourceName,
                       reinterpret_cast<LONG_PTR>(&names));
    std::vector<std::pair<ULONG_PTR, WORD>> manifests;
    for (ULONG_PTR name : names)
        EnumResourceLanguagesA(exe.module, MAKEINTRESOURCEA(24), reinterpret_cast<LPCSTR>(name),
                               CollectLanguage, reinterpret_cast<LONG_PTR>(&manifests));
    ASSERT_EQ(manifests.size(), 1u);
    EXPECT_EQ(manifests[0].first, 1u); // CREATEPROCESS_MANIFEST_RESOURCE_ID

    HRSRC resource =
        FindResourceExA(exe.module, MAKEINTRESOURCEA(24), MAKEINTRESOURCEA(1), manifests[0].second);
    ASSERT_NE(resource, nullptr);
    const char* data = static_cast<const char*>(LockResource(LoadResource(exe.module, resource)));
    ASSERT_NE(data, nullptr);
    std::string manifest = WithoutComments(std::string(data, SizeofResource(exe.module, resource)));

    EXPECT_EQ(manifest.find("requestedExecutionLevel"), std::string::npos);
    EXPECT_EQ(manifest.find("trustInfo"), std::string::npos);
    EXPECT_NE(manifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""),
              std::string::npos);
    EXPECT_NE(manifest.find("publicKeyToken=\"6595b64144ccf1df\""), std::string::npos);
    const char* const systems[] = {
        "{e2011457-1546-43c5-a5fe-008deee3d3f0}", // Vista
        "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", // 7
        "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", // 8
        "{1f676c76-80e1-4239-95bb-83d0f6d0da78}", // 8.1
        "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}", // 10 and 11
    };
    for (const char* id : systems)
        EXPECT_NE(manifest.find(std::string("<supportedOS Id=\"") + id + "\"/>"), std::string::npos) << id;
    EXPECT_NE(manifest.find("http://schemas.microsoft.com/SMI/2005/WindowsSettings"), std::string::npos);
    EXPECT_NE(manifest.find("<dpiAware>true</dpiAware>"), std::string::npos);
}

std::string VersionItem(const std::vector<BYTE>& block, const char* item) {
    std::string path = std::string("\\StringFileInfo\\040904B0\\") + item;
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(block.data(), path.c_str(), &value, &length) || value == nullptr)
        return "<missing>";
    return std::string(static_cast<const char*>(value));
}

// The About box reads these items under language 0409, code page 04B0.
TEST(Resources, VersionResource_NamesProductAndCompany) {
    std::string path = VayloPath();
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> block(size);
    ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, block.data()));

    EXPECT_EQ(VersionItem(block, "ProductName"), "Window Vaylo");
    EXPECT_EQ(VersionItem(block, "CompanyName"), "Morvane Utilities");
    EXPECT_EQ(VersionItem(block, "ProductVersion"), "1, 0, 0, 0");
    // The About box's copyright field is 70 units wide and the company follows
    // it in a field of its own: the text names no company.
    EXPECT_EQ(VersionItem(block, "LegalCopyright"), "Copyright (C) 2026");
    EXPECT_NE(VersionItem(block, "FileDescription"), "<missing>");
}

} // namespace
