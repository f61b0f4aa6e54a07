#include "LinkTestSupport.h"

#include "dialogs/Hyperlink.h"
#include "foundation/Diagnostics.h"
#include "foundation/Handles.h"

#include <cwchar>

namespace {

// As at the program's start-up: the class exists before any dialog uses it,
// and the user-interface thread has COM.
[[maybe_unused]] bool const hyperlinkRegistered = RegisterHyperlinkClass(GetModuleHandleA(nullptr));
COM_INIT const com;

KEY_SPY* activeSpy = nullptr;

std::mutex traceLock;
std::vector<std::string> traceLines;
TRACE_LISTENER previousListener = nullptr;

void RecordTrace(const char* line) {
    std::lock_guard<std::mutex> guard(traceLock);
    traceLines.push_back(line);
}

} // namespace

// ---------------------------------------------------------------- KEY_SPY

KEY_SPY::KEY_SPY() {
    activeSpy = this;
    thread = std::thread([this] {
        threadId = GetCurrentThreadId();
        HHOOK hook = SetWindowsHookExW(WH_KEYBOARD_LL, Hook, GetModuleHandleW(nullptr), 0);
        hooked = hook != nullptr;
        MSG message;
        while (GetMessageW(&message, nullptr, 0, 0) > 0)
            DispatchMessageW(&message);
        if (hook)
            UnhookWindowsHookEx(hook);
    });
    PollUntil([this] { return threadId.load() != 0 && hooked.load(); });
}

KEY_SPY::~KEY_SPY() {
    PostThreadMessageW(threadId, WM_QUIT, 0, 0);
    if (thread.joinable())
        thread.join();
    activeSpy = nullptr;
}

LRESULT CALLBACK KEY_SPY::Hook(int code, WPARAM wParam, LPARAM lParam) {
    auto* key = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
    if (code == HC_ACTION && activeSpy &&
        (key->vkCode == VK_SHIFT || key->vkCode == VK_LSHIFT || key->vkCode == VK_RSHIFT)) {
        std::lock_guard<std::mutex> guard(activeSpy->lock);
        activeSpy->events.push_back((key->flags & LLKHF_UP) == 0);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

std::vector<bool> KEY_SPY::ShiftEvents(size_t expected) const {
    PollUntil([&] {
        std::lock_guard<std::mutex> guard(lock);
        return events.size() >= expected;
    });
    std::lock_guard<std::mutex> guard(lock);
    return events;
}

// ---------------------------------------------------------------- SHIFT_WATCH

SHIFT_WATCH::SHIFT_WATCH() {
    thread = std::thread([this] {
        while (!stop) {
            if (GetAsyncKeyState(VK_SHIFT) & 0x8000)
                seenDown = true;
            Sleep(1);
        }
    });
}

bool SHIFT_WATCH::Stop() {
    stop = true;
    if (thread.joinable())
        thread.join();
    return seenDown;
}

// ---------------------------------------------------------------- TRACE_LINES

TRACE_LINES::TRACE_LINES() {
    std::lock_guard<std::mutex> guard(traceLock);
    traceLines.clear();
    previousListener = SetTraceListener(RecordTrace);
}

TRACE_LINES::~TRACE_LINES() {
    SetTraceListener(previousListener);
}

int TRACE_LINES::Count(const char* part) const {
    std::lock_guard<std::mutex> guard(traceLock);
    int count = 0;
    for (const std::string& line : traceLines)
        if (line.find(part) != std::string::npos)
            ++count;
    return count;
}

// ---------------------------------------------------------------- helpers

namespace {

// The target of `link`, asked in the thread that runs it (the control
// answers no other thread).
std::wstring AskTarget(HWND link) {
    LRESULT length = SendMessageW(link, HLM_GETTARGET, 0, 0);
    std::wstring target(static_cast<size_t>(length) + 1, L'\0');
    SendMessageW(link, HLM_GETTARGET, target.size(), reinterpret_cast<LPARAM>(&target[0]));
    target.resize(std::wcslen(target.c_str()));
    return target;
}

// One question put to the link's thread: a message hook there sees a WM_NULL
// posted to the link as the thread takes it from its queue, and asks.
struct TARGET_QUESTION {
    HWND link = nullptr;
    std::wstring answer;
    std::atomic<bool> answered{false};
};
std::atomic<TARGET_QUESTION*> openQuestion{nullptr};

LRESULT CALLBACK AskInLinkThread(int code, WPARAM removal, LPARAM lParam) {
    auto* taken = reinterpret_cast<const MSG*>(lParam);
    TARGET_QUESTION* question = openQuestion.load();
    if (code == HC_ACTION && removal == PM_REMOVE && question && !question->answered &&
        taken->hwnd == question->link && taken->message == WM_NULL) {
        question->answer = AskTarget(question->link);
        question->answered = true;
    }
    return CallNextHookEx(nullptr, code, removal, lParam);
}

} // namespace

std::wstring LinkTarget(HWND link) {
    DWORD thread = GetWindowThreadProcessId(link, nullptr);
    if (thread == GetCurrentThreadId())
        return AskTarget(link);
    TARGET_QUESTION question;
    question.link = link;
    openQuestion = &question;
    HHOOK hook = SetWindowsHookExW(WH_GETMESSAGE, AskInLinkThread, nullptr, thread);
    bool answered =
        hook && PostMessageW(link, WM_NULL, 0, 0) && PollUntil([&] { return question.answered.load(); });
    if (hook)
        UnhookWindowsHookEx(hook);
    openQuestion = nullptr;
    return answered ? question.answer : L"<no answer>";
}

POINT CaptionPoint(HWND link) {
    RECT rect = {};
    GetWindowRect(link, &rect);
    return POINT{rect.left + 6, (rect.top + rect.bottom) / 2};
}
