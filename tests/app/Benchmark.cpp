// app_benchmark.exe: not a test; prints what it measured. The time from the
// start of Vaylo.exe to its visible main window, then what one refresh of the
// visible-window list costs the running program with 10, 100 and 500 listed
// windows, and with one hung window among them; also "Hide Active" on the
// hung window. A refresh is timed as the round trip of a WM_TIMER sent to the
// main window, which refreshes the list before it answers.
//
//   app_benchmark.exe [samples]

#include "Desktop.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

double Now() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// One timed refresh in milliseconds; negative when the main window did not
// answer within the bound.
double TimedRefresh(HWND main, DWORD boundMs = 60000) {
    DWORD_PTR result = 0;
    double start = Now();
    if (SendMessageTimeoutW(main, WM_TIMER, 1, 0, SMTO_NORMAL, boundMs, &result) == 0)
        return -1.0;
    return Now() - start;
}

struct SUMMARY {
    double min, median, max;
    int failed;
};

SUMMARY Summarise(std::vector<double> times) {
    SUMMARY summary = {0, 0, 0, 0};
    std::vector<double> answered;
    for (double time : times)
        if (time >= 0)
            answered.push_back(time);
        else
            ++summary.failed;
    if (answered.empty())
        return summary;
    std::sort(answered.begin(), answered.end());
    summary.min = answered.front();
    summary.median = answered[answered.size() / 2];
    summary.max = answered.back();
    return summary;
}

void Report(const char* what, int listed, const SUMMARY& summary, size_t samples) {
    std::printf("%-34s listed %4d  min %8.2f ms  median %8.2f ms  max %8.2f ms  (%u samples%s)\n", what,
                listed, summary.min, summary.median, summary.max, static_cast<unsigned>(samples),
                summary.failed ? ", some unanswered" : "");
    std::fflush(stdout);
}

// Samples spread over a while, pumping in between: a hung window is judged
// hung only some seconds after it stopped answering, so the refreshes soon
// after differ from the later ones.
std::vector<double> SpreadSamples(HWND main, int count, DWORD spacingMs) {
    std::vector<double> times;
    for (int i = 0; i < count; ++i) {
        times.push_back(TimedRefresh(main));
        DWORD start = GetTickCount();
        PumpUntil([&] { return GetTickCount() - start >= spacingMs; }, spacingMs + 100);
    }
    return times;
}

// Process creation to a visible main window; each start ends through the
// Exit button.
bool MeasureStartup(int starts) {
    std::vector<double> times;
    for (int run = 0; run < starts; ++run) {
        CHILD_PROCESS process;
        double start = Now();
        if (!StartVaylo(process, ""))
            return false;
        HWND main = WaitForMainWindow(process);
        if (main == nullptr) {
            std::printf("Vaylo.exe did not show its main window\n");
            return false;
        }
        times.push_back(Now() - start);
        PostMessageA(main, WM_COMMAND, IDC_EXIT, 0);
        if (!process.WaitForExit())
            return false;
    }
    SUMMARY summary = Summarise(times);
    std::printf("%-34s             min %8.0f ms  median %8.0f ms  max %8.0f ms  (%d starts)\n",
                "start to visible main window", summary.min, summary.median, summary.max, starts);
    std::fflush(stdout);
    return true;
}

bool Measure(int windows, int samples) {
    SCRATCH_KEY settings(VAYLO_KEY);
    HideToTrayQuietly(settings);
    VAYLO vaylo;
    TARGETS targets;
    TARGETS hung;
    if (!vaylo.Start()) {
        std::printf("Vaylo.exe did not start\n");
        return false;
    }
    wchar_t prefix[32];
    std::swprintf(prefix, 32, L"B%lu.%d", static_cast<unsigned long>(GetCurrentProcessId()), windows);
    int alreadyListed = vaylo.Count();
    if (!targets.Start({L"many:" + std::to_wstring(windows) + L":" + prefix})) {
        std::printf("targets.exe did not make %d windows\n", windows);
        return false;
    }
    if (!PumpUntil([&] { return vaylo.Count() >= alreadyListed + windows; }, 60000)) {
        std::printf("the list did not reach %d entries\n", alreadyListed + windows);
        return false;
    }
    int listed = vaylo.Count();

    TimedRefresh(vaylo.main); // warm
    std::vector<double> times;
    for (int i = 0; i < samples; ++i)
        times.push_back(TimedRefresh(vaylo.main));
    char what[64];
    std::snprintf(what, sizeof what, "refresh, %d windows", windows);
    Report(what, listed, Summarise(times), times.size());

    // One hung window among them, timed from the moment it stops answering.
    std::wstring hungTitle = std::wstring(prefix) + L" hung";
    if (!hung.Start({L"hung:" + hungTitle})) {
        std::printf("the hung window did not show\n");
        return false;
    }
    double hungSince = Now();
    std::vector<double> early = SpreadSamples(vaylo.main, 12, 250); // the first seconds
    std::vector<double> late = SpreadSamples(vaylo.main, 12, 250);  // once judged hung
    std::snprintf(what, sizeof what, "refresh, %d + hung, first 3 s", windows);
    Report(what, vaylo.Count(), Summarise(early), early.size());
    std::snprintf(what, sizeof what, "refresh, %d + hung, 3-6 s", windows);
    Report(what, vaylo.Count(), Summarise(late), late.size());
    std::vector<double> all = early;
    all.insert(all.end(), late.begin(), late.end());
    SUMMARY worst = Summarise(all);
    std::printf("%-34s worst %.2f ms over %.1f s after the window stopped answering; listed: %s\n",
                "  hung window", worst.max, (Now() - hungSince) / 1000.0,
                vaylo.Occurrences(hungTitle) == 1 ? "yes" : "NO");

    // "Hide Active" with the hung window in front.
    HWND hungWindow = hung.Window(hungTitle);
    SetForegroundWindow(hungWindow);
    bool inFront = WaitForeground(hungWindow, 5000);
    DWORD_PTR result = 0;
    double start = Now();
    bool answered = SendMessageTimeoutW(vaylo.main, WM_COMMAND, IDC_HOTKEY_HIDE_ACTIVE, 0, SMTO_NORMAL, 60000,
                                        &result) != 0;
    double hideActive = Now() - start;
    if (answered)
        std::printf("%-34s %.2f ms (hung window %s the foreground)\n", "  Hide Active on the hung window",
                    hideActive, inFront ? "was" : "was NOT");
    else
        std::printf("%-34s no answer within 60 s\n", "  Hide Active on the hung window");
    std::printf("%-34s %.2f ms\n", "  refresh afterwards", TimedRefresh(vaylo.main));

    vaylo.Exit();
    return true;
}

} // namespace

int main(int argc, char** argv) {
    int samples = argc >= 2 ? std::atoi(argv[1]) : 30;
    if (samples < 1)
        samples = 30;
    if (!MainWindowsOfAnyProcess().empty()) {
        std::printf("an instance of Vaylo.exe is already running\n");
        return 1;
    }
    bool ok = MeasureStartup(5);
    for (int windows : {10, 100, 500})
        ok = Measure(windows, samples) && ok;
    return ok ? 0 : 1;
}
