#include "framework/ListBox.h"
#include "support/Window.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// A real list box on a plain top-level window, destroyed with the fixture.
class ListBoxTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(nullptr, static_cast<HWND>(host));
        single = MakeList(0);
        multiple = MakeList(LBS_EXTENDEDSEL);
    }

    HWND MakeList(DWORD style) {
        return CreateWindowExA(0, "LISTBOX", "",
                               WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOINTEGRALHEIGHT | style, 10, 10, 200,
                               200, host, nullptr, GetModuleHandleA(nullptr), nullptr);
    }

    // Makes the list show exactly `rows` full rows.
    void ShowRows(HWND list, int rows) {
        int itemHeight = static_cast<int>(SendMessageA(list, LB_GETITEMHEIGHT, 0, 0));
        RECT outer, client;
        GetWindowRect(list, &outer);
        GetClientRect(list, &client);
        int frame = (outer.bottom - outer.top) - client.bottom;
        SetWindowPos(list, nullptr, 0, 0, outer.right - outer.left, rows * itemHeight + frame,
                     SWP_NOMOVE | SWP_NOZORDER);
    }

    static STRING_LIST Numbered(int count) {
        STRING_LIST texts;
        for (int i = 0; i < count; ++i)
            texts.push_back(STRING::Format("item %d", i));
        return texts;
    }

    static std::vector<std::string> Contents(MV_LISTBOX& list) {
        std::vector<std::string> texts;
        for (int i = 0; i < list.GetCount(); ++i)
            texts.push_back(list.GetText(i).c_str());
        return texts;
    }

    TEST_WINDOW host{"List probe", {50, 50, 450, 450}};
    HWND single = nullptr;
    HWND multiple = nullptr;
};

TEST_F(ListBoxTest, Selection_SetCurSelMinusOneFails_ClearSelectionSucceeds) {
    MV_LISTBOX list(single);
    list.AddStrings(Numbered(3));
    EXPECT_FALSE(list.HasSelection());
    EXPECT_TRUE(list.SetCurSel(2));
    EXPECT_TRUE(list.HasSelection());
    EXPECT_STREQ("item 2", list.GetSelText().c_str());

    EXPECT_FALSE(list.SetCurSel(-1));
    EXPECT_EQ(LB_ERR, list.lastResult);
    EXPECT_EQ(-1, list.GetCurSel());
    list.SetCurSel(1);
    EXPECT_TRUE(list.ClearSelection());
    EXPECT_EQ(-1, list.GetCurSel());
    EXPECT_FALSE(list.GetSelText().HasBuffer());

    EXPECT_TRUE(list.FindAndSelect("item 0"));
    EXPECT_EQ(0, list.GetCurSel());
    EXPECT_FALSE(list.FindAndSelect("nothing like it"));
    EXPECT_EQ(0, list.GetCurSel());
}

TEST_F(ListBoxTest, GetText_PastTheEnd_IsEmptyWithLbErr) {
    MV_LISTBOX list(single);
    list.AppendString("only");
    STRING text = list.GetText(1);
    EXPECT_EQ(0u, text.Length());
    EXPECT_EQ(LB_ERR, list.lastResult);
    EXPECT_STREQ("only", list.GetText(0).c_str());
    EXPECT_EQ(4, list.lastResult);
}

TEST_F(ListBoxTest, AppendLines_SplitsAtLineFeeds) {
    MV_LISTBOX list(single);
    EXPECT_EQ(1, list.AppendLines("one\ntwo\n"));
    EXPECT_EQ((std::vector<std::string>{"one", "two"}), Contents(list));

    list.Clear();
    list.AppendLines("one\n\nthree");
    EXPECT_EQ((std::vector<std::string>{"one", "", "three"}), Contents(list));

    list.Clear();
    list.AppendLines("whole line");
    list.AppendLines("");
    EXPECT_EQ((std::vector<std::string>{"whole line", ""}), Contents(list));
}

TEST_F(ListBoxTest, DeleteString_ScrollsBackOneEntry) {
    ShowRows(single, 4);
    MV_LISTBOX list(single);
    list.AddStrings(Numbered(30));
    ASSERT_TRUE(list.SetTopIndex(5));
    ASSERT_EQ(5, list.GetTopIndex());
    EXPECT_EQ(29, list.DeleteString(20));
    EXPECT_EQ(4, list.GetTopIndex());
    EXPECT_EQ(-1, list.DeleteString(40));
}

TEST_F(ListBoxTest, SetStrings_KeepsTheRowsThatFit) {
    ShowRows(single, 4);
    MV_LISTBOX list(single);
    ASSERT_EQ(4, list.GetVisibleCount());
    list.AppendString("old");
    list.SetStrings(Numbered(10));
    EXPECT_EQ((std::vector<std::string>{"item 6", "item 7", "item 8", "item 9"}), Contents(list));
    list.SetStrings(Numbered(3));
    EXPECT_EQ((std::vector<std::string>{"item 0", "item 1", "item 2"}), Contents(list));
}

TEST_F(ListBoxTest, GetLastVisibleIndex_EmptyShortAndScrolled) {
    ShowRows(single, 4);
    MV_LISTBOX list(single);
    EXPECT_EQ(0, list.GetLastVisibleIndex());
    list.AddStrings(Numbered(2));
    EXPECT_EQ(1, list.GetLastVisibleIndex());
    list.AddStrings(Numbered(10));
    EXPECT_EQ(3, list.GetLastVisibleIndex());
    list.SetTopIndex(6);
    EXPECT_EQ(9, list.GetLastVisibleIndex());
}

TEST_F(ListBoxTest, MultipleSelection_CountsTextsAndRanges) {
    MV_LISTBOX one(single);
    int count = 99;
    EXPECT_FALSE(one.GetSelCount(count));
    EXPECT_EQ(99, count);
    STRING_LIST texts;
    EXPECT_FALSE(one.GetSelTexts(texts));

    MV_LISTBOX list(multiple);
    list.AddStrings(Numbered(6));
    EXPECT_FALSE(list.HasSelection());
    EXPECT_TRUE(list.SelectRange(true, 1, 3));
    EXPECT_TRUE(list.GetSelCount(count));
    EXPECT_EQ(3, count);
    EXPECT_TRUE(list.IsSelected(2));
    EXPECT_TRUE(list.Deselect(2));
    EXPECT_FALSE(list.IsSelected(2));
    EXPECT_TRUE(list.Select(5));
    texts.push_back("kept");
    EXPECT_TRUE(list.GetSelTexts(texts));
    std::vector<std::string> read;
    for (const STRING& t : texts)
        read.push_back(t.c_str());
    EXPECT_EQ((std::vector<std::string>{"kept", "item 1", "item 3", "item 5"}), read);

    EXPECT_TRUE(list.SelectAll(false));
    EXPECT_FALSE(list.HasSelection());
    EXPECT_TRUE(list.GetSelTexts(texts));
    EXPECT_TRUE(texts.empty());
    EXPECT_TRUE(list.SelectAll(true));
    EXPECT_TRUE(list.GetSelCount(count));
    EXPECT_EQ(6, count);
}

TEST_F(ListBoxTest, CopyFrom_ReplacesContents) {
    MV_LISTBOX list(single);
    list.AddStrings(Numbered(4));
    MV_LISTBOX copy(multiple);
    copy.AppendString("stale");
    EXPECT_EQ(4, copy.CopyFrom(list));
    EXPECT_EQ(Contents(list), Contents(copy));
}

TEST_F(ListBoxTest, NullOrDeadHandle_AnswersLbErr) {
    MV_LISTBOX none(nullptr);
    EXPECT_EQ(LB_ERR, none.lastResult);
    EXPECT_EQ(LB_ERR, none.GetCount());
    EXPECT_EQ(LB_ERR, none.GetCurSel());
    EXPECT_FALSE(none.HasSelection());
    EXPECT_FALSE(none.Clear());
    EXPECT_EQ(0u, none.GetText(0).Length());
    EXPECT_EQ(0, none.GetVisibleCount());

    HWND doomed = MakeList(0);
    MV_LISTBOX dead(doomed);
    EXPECT_EQ(0, dead.lastResult);
    DestroyWindow(doomed);
    EXPECT_EQ(LB_ERR, dead.GetCount());
    EXPECT_EQ(LB_ERR, dead.AppendString("lost"));
}

} // namespace
