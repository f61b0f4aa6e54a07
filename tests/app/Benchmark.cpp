// app_benchmark.exe: not a test; prints what it measured, as a table, and
// writes the same table as Markdown for docs/BENCHMARKS.md.
//
// - The floor: what a bare program pays to enumerate the windows and read
//   visibility, parent and title of each; and the same with one WM_GETICON
//   round trip per listable window. Both, and the bare round trip of a
//   message to the main window, are sampled between the unchanged refreshes.
// - One refresh of the list with 10, 100, 500 and 1000 windows of targets.exe,
//   unchanged and with a tenth of them changed since the previous refresh
//   (half retitled, half hidden or shown again), also with one and with ten
//   hung windows among them. A refresh is timed as the round trip of a
//   WM_TIMER sent to the main window, which refreshes the list before it
//   answers.
// - The CPU of the idle program over a while with 100 and 500 windows, as a
//   share of one core, and what it adds in the other processes (targets.exe,
//   the wineserver and the X server, when their Unix process ids are given):
//   their CPU with the program running less their CPU without it. Then the
//   same once the program is told of other programs' changes by window
//   events, as Windows tells it (raised here by hand: Wine raises none).
// - Start to visible main window, beside Wine's notepad; the executable's
//   size and the program's working set after a minute.
// - Held windows: Exit holding ten windows of ten hung programs, and the
//   start after a kill with 50 held windows recorded beside a start with none.
// - Rules: one refresh with 100 and 1000 windows, unchanged and with a tenth
//   changed, with ten rules stored (for programs that own none of the
//   windows, so every window is compared and none hidden) beside none.
//
//   app_benchmark.exe [--samples N] [--idle SECONDS] [--sizes 10,100,...]
//                     [--wineserver PID] [--xserver PID] [--markdown FILE]
//                     [--held-only SAMPLES]   (the held-window figures alone)
//                     [--footprint-only SECONDS] (working set beside notepad)
//                     [--rules-only SAMPLES]  (the rules figures alone)

#include "Desktop.h"

#include <psapi.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

// ---------------------------------------------------------------- clocks

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

struct SUMMARY {
    double median = 0, worst = 0;
    int samples = 0, failed = 0;
};

SUMMARY Summarise(const std::vector<double>& times) {
    SUMMARY summary;
    std::vector<double> answered;
    for (double time : times)
        if (time >= 0)
            answered.push_back(time);
        else
            ++summary.failed;
    summary.samples = static_cast<int>(times.size());
    if (answered.empty())
        return summary;
    std::sort(answered.begin(), answered.end());
    summary.median = answered[answered.size() / 2];
    summary.worst = answered.back();
    return summary;
}

// "12.3 (45.6)": median and worst in milliseconds.
std::string Cell(const SUMMARY& summary) {
    if (summary.samples == 0)
        return "-";
    char text[64];
    std::snprintf(text, sizeof text, "%.1f (%.1f)%s", summary.median, summary.worst,
                  summary.failed ? " !" : "");
    return text;
}

std::string Ratio(const SUMMARY& summary, const SUMMARY& floor) {
    if (summary.samples == 0 || floor.median <= 0)
        return "-";
    char text[32];
    std::snprintf(text, sizeof text, "%.1f x", summary.median / floor.median);
    return text;
}

// ---------------------------------------------------------------- CPU

// Kernel and user time of a process in milliseconds; -1 when not readable.
double ProcessCpuMs(HANDLE process) {
    FILETIME created, ended, kernel, user;
    if (!GetProcessTimes(process, &created, &ended, &kernel, &user))
        return -1;
    auto ms = [](const FILETIME& time) {
        ULARGE_INTEGER value;
        value.LowPart = time.dwLowDateTime;
        value.HighPart = time.dwHighDateTime;
        return static_cast<double>(value.QuadPart) / 10000.0;
    };
    return ms(kernel) + ms(user);
}

// A Unix process's CPU in milliseconds from /proc/PID/stat (fields 14 and 15,
// in clock ticks of 10 ms), read through Wine's drive of the root; -1 without.
double UnixCpuMs(unsigned long pid) {
    if (pid == 0)
        return -1;
    char path[64];
    std::snprintf(path, sizeof path, "Z:\\proc\\%lu\\stat", pid);
    FILE* file = std::fopen(path, "rb");
    if (file == nullptr)
        return -1;
    char text[1024] = {};
    size_t read = std::fread(text, 1, sizeof text - 1, file);
    std::fclose(file);
    text[read] = '\0';
    // The command name may hold spaces: fields count from its closing ')'.
    const char* rest = std::strrchr(text, ')');
    if (rest == nullptr)
        return -1;
    unsigned long long user = 0, system = 0;
    if (std::sscanf(rest + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %llu %llu", &user, &system) != 2)
        return -1;
    return 10.0 * static_cast<double>(user + system);
}

struct OPTIONS {
    int samples = 15;
    int idleSeconds = 60;
    std::vector<int> sizes = {10, 100, 500, 1000};
    unsigned long wineserver = 0;
    unsigned long xserver = 0;
    std::string markdown;
    int heldOnly = 0;      // samples of the held-window figures, measured alone
    int footprintOnly = 0; // seconds after the start the footprint is read at
    int rulesOnly = 0;     // samples of the rules figures, measured alone
};

// The CPU of the processes around the program: what the program's work costs
// them shows as their difference with and without it.
struct OTHERS {
    HANDLE targets = nullptr;
    unsigned long wineserver = 0, xserver = 0;
    double Targets() const { return targets ? ProcessCpuMs(targets) : -1; }
    double Wineserver() const { return UnixCpuMs(wineserver); }
    double Xserver() const { return UnixCpuMs(xserver); }
};

struct CPU_SHARES {
    double program = -1, targets = -1, wineserver = -1, xserver = -1; // per cent of one core
};

double Share(double beforeMs, double afterMs, double elapsedMs) {
    if (beforeMs < 0 || afterMs < 0 || elapsedMs <= 0)
        return -1;
    return 100.0 * (afterMs - beforeMs) / elapsedMs;
}

// Pumps for the whole while (so this process answers whatever reaches it)
// and gives each process's share of one core over it.
CPU_SHARES MeasureIdle(HANDLE program, const OTHERS& others, int seconds) {
    // Off every window of the program, as a user's pointer mostly is: resting
    // on a control with a tip, it has the tip's control ask where the pointer
    // is ten times a second, which under Wine costs more than the refresh of
    // a hundred windows.
    SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
    double start = Now();
    double programBefore = program ? ProcessCpuMs(program) : -1;
    double targetsBefore = others.Targets(), serverBefore = others.Wineserver(), xBefore = others.Xserver();
    PumpFor(static_cast<DWORD>(seconds) * 1000);
    double elapsed = Now() - start;
    CPU_SHARES shares;
    if (program)
        shares.program = Share(programBefore, ProcessCpuMs(program), elapsed);
    shares.targets = Share(targetsBefore, others.Targets(), elapsed);
    shares.wineserver = Share(serverBefore, others.Wineserver(), elapsed);
    shares.xserver = Share(xBefore, others.Xserver(), elapsed);
    return shares;
}

std::string Percent(double share) {
    if (share < -0.5) // unreadable, not a small negative difference
        return "-";
    char text[32];
    std::snprintf(text, sizeof text, "%.2f %%", share);
    return text;
}

std::string Extra(double with, double without) {
    if (with < 0 || without < 0)
        return "-";
    return Percent(with - without);
}

// ---------------------------------------------------------------- the floor

struct FLOOR_WALK {
    bool askIcon = false;
    int listable = 0;
};

BOOL CALLBACK FloorStep(HWND window, LPARAM context) {
    auto* walk = reinterpret_cast<FLOOR_WALK*>(context);
    bool visible = IsWindowVisible(window) != FALSE;
    HWND parent = GetParent(window);
    wchar_t title[256];
    int length = InternalGetWindowText(window, title, 256);
    if (!visible || parent != nullptr || length == 0)
        return TRUE;
    ++walk->listable;
    if (walk->askIcon) {
        DWORD_PTR icon = 0;
        SendMessageTimeoutW(window, WM_GETICON, ICON_SMALL, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, 100, &icon);
    }
    return TRUE;
}

double FloorOnce(bool askIcon) {
    FLOOR_WALK walk;
    walk.askIcon = askIcon;
    double start = Now();
    EnumWindows(FloorStep, reinterpret_cast<LPARAM>(&walk));
    return Now() - start;
}

// ---------------------------------------------------------------- refreshes

// One timed refresh in milliseconds; negative when the main window did not
// answer within the bound. The same with WM_NULL times the round trip alone.
double TimedRefresh(HWND main, UINT message = WM_TIMER, DWORD boundMs = 60000) {
    DWORD_PTR result = 0;
    double start = Now();
    if (SendMessageTimeoutW(main, message, 1, 0, SMTO_NORMAL, boundMs, &result) == 0)
        return -1.0;
    return Now() - start;
}

// The floor and the bare round trip, sampled between the refreshes so that
// all of them meet the same load of the machine.
struct BESIDE {
    std::vector<double> floor, floorIcon, roundTrip;
};

// The benchmark's windows and the tenth of them that changes before a
// "changed" refresh: in turn, half get another title, half are hidden or
// shown again.
class CHANGER {
  public:
    CHANGER(const TARGETS& targets, const std::wstring& prefix, int count) {
        for (int n = 0; n < count; ++n) {
            wchar_t number[16];
            std::swprintf(number, 16, L" %04d", n);
            std::wstring title = prefix + number;
            windows.push_back(targets.Window(title));
            titles.push_back(title);
        }
        renamed.assign(windows.size(), false);
        hidden.assign(windows.size(), false);
    }
    void ChangeATenth() {
        size_t tenth = std::max<size_t>(1, windows.size() / 10);
        for (size_t i = 0; i < tenth && !windows.empty(); ++i) {
            size_t n = next++ % windows.size();
            if (n % 2 == 0) {
                renamed[n] = !renamed[n];
                SetWindowTextW(windows[n], (titles[n] + (renamed[n] ? L" renamed" : L"")).c_str());
            } else {
                hidden[n] = !hidden[n];
                ShowWindow(windows[n], hidden[n] ? SW_HIDE : SW_SHOWNOACTIVATE);
            }
        }
    }
    // Back as they were, so the next figures start from the same desktop.
    void Restore() {
        for (size_t n = 0; n < windows.size(); ++n) {
            if (renamed[n])
                SetWindowTextW(windows[n], titles[n].c_str());
            if (hidden[n])
                ShowWindow(windows[n], SW_SHOWNOACTIVATE);
        }
        renamed.assign(windows.size(), false);
        hidden.assign(windows.size(), false);
    }

  private:
    std::vector<HWND> windows;
    std::vector<std::wstring> titles;
    std::vector<bool> renamed, hidden;
    size_t next = 0;
};

// Samples spaced out, pumping in between: each refresh is timed alone, not
// behind the repaint of the one before (which the idle figures include). A
// hung window is judged hung only some time after it stopped answering, and
// its thread rests for a while after a timeout, so with hung windows the
// samples span five seconds. changer: null for an unchanged desktop.
SUMMARY Refreshes(HWND main, int count, DWORD spacingMs, CHANGER* changer, BESIDE* beside = nullptr) {
    TimedRefresh(main); // warm, and the desktop as it is now is listed
    std::vector<double> times;
    for (int i = 0; i < count; ++i) {
        if (beside) {
            // Each after a pause: under Wine a thousand icon queries leave
            // the wineserver and the targets busy for a while after the last
            // answer, and what follows at once would pay for it.
            beside->floor.push_back(FloorOnce(false));
            PumpFor(spacingMs);
            beside->floorIcon.push_back(FloorOnce(true));
            PumpFor(spacingMs);
            beside->roundTrip.push_back(TimedRefresh(main, WM_NULL));
            PumpFor(spacingMs);
        }
        if (changer)
            changer->ChangeATenth();
        times.push_back(TimedRefresh(main));
        if (spacingMs)
            PumpFor(spacingMs);
    }
    if (changer) {
        changer->Restore();
        TimedRefresh(main);
    }
    return Summarise(times);
}

// ---------------------------------------------------------------- one size

struct SIZE_FIGURES {
    int windows = 0;
    int listed = 0;
    SUMMARY floor, floorIcon, roundTrip, unchanged, changed;
    SUMMARY hungUnchanged[2], hungChanged[2]; // one and ten hung windows
    bool idleMeasured = false;
    CPU_SHARES idle, baseline;
    bool idleEventsMeasured = false;
    CPU_SHARES idleEvents; // other programs' changes arriving as window events
    double workingSetKb = -1;
};

void Progress(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    std::vprintf(format, arguments);
    va_end(arguments);
    std::fflush(stdout);
}

bool WaitListedCount(const VAYLO& vaylo, int atLeast) {
    return PumpUntil([&] { return vaylo.Count() >= atLeast; }, 120000);
}

bool MeasureSize(int windows, const OPTIONS& options, SIZE_FIGURES& figures) {
    figures.windows = windows;
    SCRATCH_KEY settings(VAYLO_KEY);
    HideToTrayQuietly(settings);
    TARGETS targets;
    TARGETS oneHung;
    TARGETS nineHung;
    wchar_t prefix[32];
    std::swprintf(prefix, 32, L"B%lu.%d", static_cast<unsigned long>(GetCurrentProcessId()), windows);
    if (!targets.Start({L"many:" + std::to_wstring(windows) + L":" + prefix})) {
        Progress("targets.exe did not make %d windows\n", windows);
        return false;
    }
    bool idle = windows == 100 || windows == 500;
    OTHERS others;
    others.targets = targets.process.Handle();
    others.wineserver = options.wineserver;
    others.xserver = options.xserver;
    if (idle) { // the other processes' own cost, before the program runs
        Progress("  %d windows: the other processes without the program, %d s\n", windows,
                 options.idleSeconds / 2);
        figures.baseline = MeasureIdle(nullptr, others, options.idleSeconds / 2);
    }

    VAYLO vaylo;
    if (!vaylo.Start()) {
        Progress("Vaylo.exe did not start\n");
        return false;
    }
    double started = Now();
    if (!WaitListedCount(vaylo, windows)) {
        Progress("the list did not reach %d entries\n", windows);
        vaylo.Exit();
        return false;
    }
    figures.listed = vaylo.Count();
    CHANGER changer(targets, prefix, windows);
    Progress("  %d windows: refreshes\n", windows);
    BESIDE beside;
    figures.unchanged = Refreshes(vaylo.main, options.samples, 100, nullptr, &beside);
    figures.floor = Summarise(beside.floor);
    figures.floorIcon = Summarise(beside.floorIcon);
    figures.roundTrip = Summarise(beside.roundTrip);
    figures.changed = Refreshes(vaylo.main, options.samples, 100, &changer);

    if (idle) {
        Progress("  %d windows: the idle program, %d s\n", windows, options.idleSeconds);
        figures.idle = MeasureIdle(vaylo.process.Handle(), others, options.idleSeconds);
        figures.idleMeasured = true;
        // A minute after the start at the earliest.
        DWORD since = static_cast<DWORD>(Now() - started);
        if (since < 60000)
            PumpFor(60000 - since);
        PROCESS_MEMORY_COUNTERS memory = {};
        memory.cb = sizeof memory;
        if (GetProcessMemoryInfo(vaylo.process.Handle(), &memory, sizeof memory))
            figures.workingSetKb = static_cast<double>(memory.WorkingSetSize) / 1024.0;
    }

    // Hung windows, each in its own thread, timed from when they stop
    // answering: twenty samples over five seconds.
    Progress("  %d windows: with hung ones\n", windows);
    std::wstring hungTitle = std::wstring(prefix) + L" hung";
    if (!oneHung.Start({L"hung:" + hungTitle + L" 0"})) {
        Progress("the hung window did not show\n");
        vaylo.Exit();
        return false;
    }
    figures.hungUnchanged[0] = Refreshes(vaylo.main, 20, 250, nullptr);
    figures.hungChanged[0] = Refreshes(vaylo.main, 20, 250, &changer);
    std::vector<std::wstring> specs;
    for (int n = 1; n < 10; ++n)
        specs.push_back(L"hung:" + hungTitle + L" " + std::to_wstring(n));
    if (!nineHung.Start(specs)) {
        Progress("the hung windows did not show\n");
        vaylo.Exit();
        return false;
    }
    figures.hungUnchanged[1] = Refreshes(vaylo.main, 20, 250, nullptr);
    figures.hungChanged[1] = Refreshes(vaylo.main, 20, 250, &changer);
    bool listed = vaylo.Occurrences(hungTitle + L" 9") == 1;
    if (!listed)
        Progress("  the hung windows were not all listed\n");

    // As on Windows, which reports other programs' shows, hides and renames as
    // window events (Wine raises none by itself): the program then looks only
    // when told of a change, and every tenth second. Last, since the figures
    // above time the refresh of a program that polls.
    if (idle) {
        oneHung.process.Terminate();
        nineHung.process.Terminate();
        PumpUntil([&] { return vaylo.Count() == figures.listed; }); // the hung ones gone
        Progress("  %d windows: the idle program, told of changes by window events, %d s\n", windows,
                 options.idleSeconds);
        HWND told = targets.Window(std::wstring(prefix) + L" 0000");
        for (DWORD event : {EVENT_OBJECT_SHOW, EVENT_OBJECT_HIDE, EVENT_OBJECT_NAMECHANGE})
            NotifyWinEvent(event, told, OBJID_WINDOW, CHILDID_SELF);
        PumpFor(1500);
        figures.idleEvents = MeasureIdle(vaylo.process.Handle(), others, options.idleSeconds);
        figures.idleEventsMeasured = true;
    }
    vaylo.Exit();
    return true;
}

// ---------------------------------------------------------------- rules

struct RULES_FIGURES {
    int windows = 0;
    SUMMARY unchanged[2], changed[2]; // without rules, with ten
    double quartile[2][2] = {};       // [with rules][changed]: the first quartile, less moved by the load
};

// The program reads its rules as it starts: starts without and with ten
// rules take turns, three rounds, so that both meet the same load of the
// machine; each round adds a third of the samples to each figure.
bool MeasureRules(int windows, int samples, RULES_FIGURES& figures) {
    figures.windows = windows;
    int const rounds = 3;
    std::vector<double> times[2][2]; // [with rules][changed]
    for (int turn = 0; turn < 2 * rounds; ++turn) {
        int withRules = turn % 2;
        ClearRules();
        DWORD const both = 3;
        for (int n = 0; withRules && n < 10; ++n)
            WriteRule(L"C:\\Programs\\program" + std::to_wstring(n) + L".exe", REG_DWORD,
                      std::string(reinterpret_cast<const char*>(&both), sizeof both));
        SCRATCH_KEY settings(VAYLO_KEY);
        HideToTrayQuietly(settings);
        TARGETS targets;
        wchar_t prefix[32];
        std::swprintf(prefix, 32, L"R%lu.%d.%d", static_cast<unsigned long>(GetCurrentProcessId()), windows,
                      turn);
        VAYLO vaylo;
        if (!targets.Start({L"many:" + std::to_wstring(windows) + L":" + prefix}) || !vaylo.Start() ||
            !WaitListedCount(vaylo, windows)) {
            Progress("the rules' desktop of %d windows did not come up\n", windows);
            ClearRules();
            return false;
        }
        Progress("  %d windows, %s rules, round %d\n", windows, withRules ? "ten" : "no", turn / 2 + 1);
        CHANGER changer(targets, prefix, windows);
        TimedRefresh(vaylo.main); // warm
        for (int changed = 0; changed < 2; ++changed) {
            for (int i = 0; i < (samples + rounds - 1) / rounds; ++i) {
                if (changed)
                    changer.ChangeATenth();
                times[withRules][changed].push_back(TimedRefresh(vaylo.main));
                PumpFor(100);
            }
        }
        vaylo.Exit();
    }
    // Every sample, in order of size: the refreshes that wait for a busy
    // targets.exe stand apart from the rest.
    for (int withRules = 0; withRules < 2; ++withRules)
        for (int changed = 0; changed < 2; ++changed) {
            std::vector<double> sorted = times[withRules][changed];
            std::sort(sorted.begin(), sorted.end());
            figures.quartile[withRules][changed] = sorted.empty() ? 0 : sorted[sorted.size() / 4];
            Progress("  %s rules, %s:", withRules ? "ten" : "no", changed ? "changed" : "unchanged");
            for (double time : sorted)
                Progress(" %.0f", time);
            Progress("\n");
        }
    for (int withRules = 0; withRules < 2; ++withRules) {
        figures.unchanged[withRules] = Summarise(times[withRules][0]);
        figures.changed[withRules] = Summarise(times[withRules][1]);
    }
    ClearRules();
    return true;
}

std::string RulesMarkdown(const std::vector<RULES_FIGURES>& figures) {
    std::string out = "\nRules: one refresh, milliseconds, median (worst) and first quartile, with ten rules "
                      "stored beside none (for programs that own none of the windows), starts taking turns; "
                      "ratio: with to without, of the medians and of the first quartiles.\n\n"
                      "| windows | unchanged, no rules | unchanged, ten rules | ratio | quartiles | ratio | "
                      "10 % changed, no rules | 10 % changed, ten rules | ratio | quartiles | ratio |\n"
                      "|---|---|---|---|---|---|---|---|---|---|---|\n";
    char line[640];
    for (const RULES_FIGURES& size : figures) {
        std::string cells[2];
        for (int changed = 0; changed < 2; ++changed) {
            const SUMMARY* summary = changed ? size.changed : size.unchanged;
            const double* quartile = size.quartile[0];
            char cell[256];
            std::snprintf(cell, sizeof cell, "%s | %s | %s | %.1f, %.1f | %.2f x", Cell(summary[0]).c_str(),
                          Cell(summary[1]).c_str(), Ratio(summary[1], summary[0]).c_str(), quartile[changed],
                          size.quartile[1][changed],
                          quartile[changed] > 0 ? size.quartile[1][changed] / quartile[changed] : 0.0);
            cells[changed] = cell;
        }
        std::snprintf(line, sizeof line, "| %d | %s | %s |\n", size.windows, cells[0].c_str(),
                      cells[1].c_str());
        out += line;
    }
    return out;
}

bool MeasureAllRules(int samples, const std::vector<int>& sizes, std::vector<RULES_FIGURES>& figures) {
    bool ok = true;
    for (int windows : sizes) {
        figures.emplace_back();
        ok = MeasureRules(windows, samples, figures.back()) && ok;
    }
    return ok;
}

// ---------------------------------------------------------------- start-up

// Process creation to its first visible window that the list would show.
double StartTime(bool notepad) {
    CHILD_PROCESS process;
    double start = Now();
    if (notepad) {
        if (!process.Start(nullptr, "notepad.exe"))
            return -1;
        WINDOW_QUERY query;
        query.processId = process.Id();
        HWND window = nullptr;
        PumpUntil(
            [&] {
                for (HWND candidate : FindWindows(query))
                    if (ListableWindow(candidate))
                        window = candidate;
                return window != nullptr;
            },
            START_TIMEOUT_MS);
        double elapsed = Now() - start;
        if (window == nullptr)
            return -1;
        PostMessageW(window, WM_CLOSE, 0, 0);
        process.WaitForExit();
        return elapsed;
    }
    if (!StartVaylo(process, ""))
        return -1;
    HWND main = WaitForMainWindow(process);
    double elapsed = Now() - start;
    if (main == nullptr)
        return -1;
    PostMessageA(main, WM_COMMAND, IDC_EXIT, 0);
    process.WaitForExit();
    return elapsed;
}

// ---------------------------------------------------------------- held windows

struct HELD_FIGURES {
    SUMMARY exitHung;      // Exit command to process end, ten hung programs held
    SUMMARY startEmpty;    // start to visible main window, nothing recorded
    SUMMARY startAdopting; // the same with 50 held windows recorded
    int adopted = -1;      // values in the record after such a start
};

// Hides each titled window through the list; false when one stays visible.
bool HideEach(const VAYLO& vaylo, const TARGETS& targets, const std::vector<std::wstring>& titles) {
    for (const std::wstring& title : titles) {
        HWND window = targets.Window(title);
        if (!vaylo.WaitListed(title) || !vaylo.DoubleClickEntry(title) || !WaitVisible(window, false))
            return false;
    }
    return true;
}

double ExitWithTenHung(const std::wstring& prefix) {
    VAYLO vaylo;
    TARGETS targets;
    std::vector<std::wstring> specs, titles;
    for (int i = 0; i < 10; ++i) {
        titles.push_back(prefix + L" hung " + std::to_wstring(i));
        specs.push_back(L"thread:" + titles.back());
    }
    if (!vaylo.Start() || !targets.Start(specs) || !HideEach(vaylo, targets, titles)) {
        vaylo.Exit();
        return -1;
    }
    for (const std::wstring& title : titles)
        PostMessageW(targets.Window(title), TARGET_BUSY, 10000, 0);
    double start = Now();
    PostMessageW(vaylo.main, WM_COMMAND, IDC_EXIT, 0);
    bool ended = vaylo.process.WaitForExit(EXIT_TIMEOUT_MS);
    double elapsed = Now() - start;
    for (const std::wstring& title : titles) // they come back once they answer again
        WaitVisible(targets.Window(title), true, 20000);
    return ended ? elapsed : -1;
}

// Start to visible main window; the instance is killed afterwards, so that
// what it held stays recorded for the next.
double KilledStart() {
    CHILD_PROCESS process;
    double start = Now();
    if (!StartVaylo(process, ""))
        return -1;
    HWND main = WaitForMainWindow(process);
    double elapsed = Now() - start;
    process.Terminate();
    return main != nullptr ? elapsed : -1;
}

bool MeasureHeld(int samples, HELD_FIGURES& figures) {
    std::vector<double> exits;
    for (int run = 0; run < samples; ++run) {
        Progress("  exit holding ten hung windows, run %d\n", run + 1);
        exits.push_back(ExitWithTenHung(L"held " + std::to_wstring(run)));
    }
    figures.exitHung = Summarise(exits);

    Progress("  start with 50 held windows recorded\n");
    TARGETS targets;
    std::vector<std::wstring> titles;
    for (int i = 0; i < 50; ++i)
        titles.push_back(L"adopted " + std::to_wstring(100 + i));
    std::vector<std::wstring> specs;
    for (const std::wstring& title : titles)
        specs.push_back(L"titled:" + title);
    VAYLO vaylo;
    ClearHeldRecord();
    if (!targets.Start(specs) || !vaylo.Start() || !HideEach(vaylo, targets, titles)) {
        Progress("the 50 windows could not be held\n");
        vaylo.Exit();
        return false;
    }
    vaylo.process.Terminate();
    // Taken in turn, so that both meet the same state of the machine; the
    // record is written afresh before each start that adopts.
    std::map<std::string, std::string> record = HeldRecord();
    std::vector<double> adopting, empty;
    for (int run = 0; run < 2 * samples; ++run) {
        for (const auto& value : record)
            WriteHeldRecord(value.first, value.second);
        adopting.push_back(KilledStart());
        figures.adopted = static_cast<int>(HeldRecord().size());
        ClearHeldRecord();
        empty.push_back(KilledStart());
    }
    figures.startAdopting = Summarise(adopting);
    figures.startEmpty = Summarise(empty);
    for (const std::wstring& title : titles)
        ShowWindow(targets.Window(title), SW_SHOWNA);
    return true;
}

std::string HeldMarkdown(const HELD_FIGURES& figures) {
    char line[512];
    std::snprintf(
        line, sizeof line,
        "\n| held windows, ms, median (worst) | Exit holding 10 windows of 10 hung programs | start, "
        "nothing recorded | start, 50 held windows recorded (%d held after it) |\n|---|---|---|---|\n"
        "| ms | %s | %s | %s |\n",
        figures.adopted, Cell(figures.exitHung).c_str(), Cell(figures.startEmpty).c_str(),
        Cell(figures.startAdopting).c_str());
    return line;
}

// ---------------------------------------------------------------- footprint

struct FOOTPRINT {
    double workingSetKb = -1, privateKb = -1;
    std::vector<std::string> modules; // file names
};

FOOTPRINT FootprintOf(const CHILD_PROCESS& process) {
    FOOTPRINT footprint;
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof memory;
    if (GetProcessMemoryInfo(process.Handle(), &memory, sizeof memory)) {
        footprint.workingSetKb = static_cast<double>(memory.WorkingSetSize) / 1024.0;
        footprint.privateKb = static_cast<double>(memory.PagefileUsage) / 1024.0;
    }
    for (const std::string& file : LoadedModules(process.Id()))
        footprint.modules.push_back(file.substr(file.rfind('\\') + 1));
    return footprint;
}

// The program as a user who opens nothing has it, idle in the tray with its
// list, and Wine's notepad started beside it: working set, private bytes and
// the libraries loaded, read after the same time.
bool MeasureFootprint(int seconds) {
    SCRATCH_KEY settings(VAYLO_KEY);
    HideToTrayQuietly(settings);
    VAYLO vaylo;
    CHILD_PROCESS notepad;
    if (!vaylo.Start() || !notepad.Start(nullptr, "notepad.exe")) {
        Progress("Vaylo.exe or notepad did not start\n");
        return false;
    }
    PumpFor(static_cast<DWORD>(seconds) * 1000);
    FOOTPRINT figures[2] = {FootprintOf(vaylo.process), FootprintOf(notepad)};
    std::printf("\n| %d s after the start | Vaylo.exe | notepad |\n|---|---|---|\n", seconds);
    std::printf("| working set | %.0f KB | %.0f KB |\n", figures[0].workingSetKb, figures[1].workingSetKb);
    std::printf("| private bytes | %.0f KB | %.0f KB |\n", figures[0].privateKb, figures[1].privateKb);
    std::printf("| libraries loaded | %u | %u |\n\nVaylo.exe's libraries:",
                static_cast<unsigned>(figures[0].modules.size()),
                static_cast<unsigned>(figures[1].modules.size()));
    for (const std::string& module : figures[0].modules)
        std::printf(" %s", module.c_str());
    std::printf("\n");
    vaylo.Exit();
    notepad.Terminate();
    return figures[0].workingSetKb >= 0 && figures[1].workingSetKb >= 0;
}

// ---------------------------------------------------------------- the report

std::string BuildName() {
    HANDLE file =
        CreateFileA(VayloPath().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return "unknown build";
    IMAGE_DOS_HEADER dos = {};
    IMAGE_FILE_HEADER header = {};
    DWORD read = 0, signature = 0;
    bool ok = ReadFile(file, &dos, sizeof dos, &read, nullptr) &&
              SetFilePointer(file, dos.e_lfanew, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER &&
              ReadFile(file, &signature, sizeof signature, &read, nullptr) &&
              ReadFile(file, &header, sizeof header, &read, nullptr);
    CloseHandle(file);
    if (!ok)
        return "unknown build";
    return header.Machine == IMAGE_FILE_MACHINE_I386 ? "PE32 (win32) under 32-bit Wine"
                                                     : "PE32+ (win64) under 64-bit Wine";
}

double FileKb(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return -1;
    return static_cast<double>(data.nFileSizeLow) / 1024.0;
}

struct REPORT {
    std::string build;
    SUMMARY vayloStart, notepadStart;
    double exeBytes = -1;
    std::vector<SIZE_FIGURES> sizes;
    HELD_FIGURES held;
    std::vector<RULES_FIGURES> rules;
};

std::string Markdown(const REPORT& report, const OPTIONS& options) {
    std::string out;
    char line[512];
    std::snprintf(
        line, sizeof line,
        "Measured: %s; %d samples per refresh figure (20 over 5 s with hung windows), idle over %d s.\n\n",
        report.build.c_str(), options.samples, options.idleSeconds);
    out += line;
    out += "One refresh, milliseconds, median (worst); ratio: median to the floor's median. Round trip: a "
           "WM_NULL "
           "sent to the main window, the part of every refresh figure that is the message itself. Floor and "
           "round "
           "trip are sampled between the unchanged refreshes.\n\n";
    out += "| windows | listed | floor | floor + icon query | round trip | unchanged | ratio | 10 % changed "
           "| ratio |"
           " 1 hung, unchanged | 1 hung, 10 % changed | 10 hung, unchanged | 10 hung, 10 % changed |\n";
    out += "|---|---|---|---|---|---|---|---|---|---|---|---|---|\n";
    for (const SIZE_FIGURES& size : report.sizes) {
        std::snprintf(line, sizeof line,
                      "| %d | %d | %s | %s | %s | %s | %s | %s | %s | %s | %s | %s | %s |\n", size.windows,
                      size.listed, Cell(size.floor).c_str(), Cell(size.floorIcon).c_str(),
                      Cell(size.roundTrip).c_str(), Cell(size.unchanged).c_str(),
                      Ratio(size.unchanged, size.floor).c_str(), Cell(size.changed).c_str(),
                      Ratio(size.changed, size.floor).c_str(), Cell(size.hungUnchanged[0]).c_str(),
                      Cell(size.hungChanged[0]).c_str(), Cell(size.hungUnchanged[1]).c_str(),
                      Cell(size.hungChanged[1]).c_str());
        out += line;
    }
    out +=
        "\nIdle: share of one core; \"extra\": the other process's share with the program running less its "
        "share without it.\n\n";
    out +=
        "| windows | program | extra targets.exe | extra wineserver | extra X server | working set after a "
        "minute | program, told of changes by window events | its extra wineserver |\n";
    out += "|---|---|---|---|---|---|---|---|\n";
    for (const SIZE_FIGURES& size : report.sizes) {
        if (!size.idleMeasured)
            continue;
        char workingSet[32] = "-";
        if (size.workingSetKb >= 0)
            std::snprintf(workingSet, sizeof workingSet, "%.0f KB", size.workingSetKb);
        std::string events = "-", eventsServer = "-";
        if (size.idleEventsMeasured) {
            events = Percent(size.idleEvents.program);
            eventsServer = Extra(size.idleEvents.wineserver, size.baseline.wineserver);
        }
        std::snprintf(line, sizeof line, "| %d | %s | %s | %s | %s | %s | %s | %s |\n", size.windows,
                      Percent(size.idle.program).c_str(),
                      Extra(size.idle.targets, size.baseline.targets).c_str(),
                      Extra(size.idle.wineserver, size.baseline.wineserver).c_str(),
                      Extra(size.idle.xserver, size.baseline.xserver).c_str(), workingSet, events.c_str(),
                      eventsServer.c_str());
        out += line;
    }
    out += "\n| start to visible main window, median (worst) | Vaylo.exe | notepad | ratio | executable |\n";
    out += "|---|---|---|---|---|\n";
    std::snprintf(line, sizeof line, "| ms | %s | %s | %s | %.0f KB (%.0f bytes) |\n",
                  Cell(report.vayloStart).c_str(), Cell(report.notepadStart).c_str(),
                  Ratio(report.vayloStart, report.notepadStart).c_str(), report.exeBytes / 1024.0,
                  report.exeBytes);
    out += line;
    out += HeldMarkdown(report.held);
    out += RulesMarkdown(report.rules);
    return out;
}

OPTIONS ParseOptions(int argc, char** argv) {
    OPTIONS options;
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string name = argv[i], value = argv[i + 1];
        if (name == "--samples")
            options.samples = std::max(1, std::atoi(value.c_str()));
        else if (name == "--idle")
            options.idleSeconds = std::max(2, std::atoi(value.c_str()));
        else if (name == "--wineserver")
            options.wineserver = std::strtoul(value.c_str(), nullptr, 10);
        else if (name == "--xserver")
            options.xserver = std::strtoul(value.c_str(), nullptr, 10);
        else if (name == "--markdown")
            options.markdown = value;
        else if (name == "--footprint-only")
            options.footprintOnly = std::max(1, std::atoi(value.c_str()));
        else if (name == "--held-only")
            options.heldOnly = std::max(1, std::atoi(value.c_str()));
        else if (name == "--rules-only")
            options.rulesOnly = std::max(1, std::atoi(value.c_str()));
        else if (name == "--sizes") {
            options.sizes.clear();
            for (const char* rest = value.c_str(); *rest;) {
                char* end = nullptr;
                long size = std::strtol(rest, &end, 10);
                if (end == rest)
                    break;
                options.sizes.push_back(static_cast<int>(size));
                rest = *end == ',' ? end + 1 : end;
            }
        }
    }
    return options;
}

} // namespace

int main(int argc, char** argv) {
    OPTIONS options = ParseOptions(argc, argv);
    if (!MainWindowsOfAnyProcess().empty()) {
        std::printf("an instance of Vaylo.exe is already running\n");
        return 1;
    }
    if (options.footprintOnly > 0)
        return MeasureFootprint(options.footprintOnly) ? 0 : 1;
    if (options.heldOnly > 0) {
        HELD_FIGURES held;
        bool measured = MeasureHeld(options.heldOnly, held);
        std::printf("%s", HeldMarkdown(held).c_str());
        return measured ? 0 : 1;
    }
    REPORT report;
    if (options.rulesOnly > 0) {
        bool measured = MeasureAllRules(options.rulesOnly, options.sizes, report.rules);
        std::string table = "Measured: " + BuildName() + ".\n" + RulesMarkdown(report.rules);
        std::printf("%s", table.c_str());
        FILE* file = options.markdown.empty()
                         ? nullptr
                         : std::fopen(WindowsPath(options.markdown.c_str()).c_str(), "wb");
        if (file != nullptr) {
            std::fputs(table.c_str(), file);
            std::fclose(file);
        }
        return measured ? 0 : 1;
    }
    report.build = BuildName();
    report.exeBytes = FileKb(VayloPath()) * 1024.0;
    Progress("%s, %s\n", VayloPath().c_str(), report.build.c_str());

    // Taken in turn, so that both meet the same state of the machine.
    Progress("start-up, beside notepad\n");
    std::vector<double> vayloStarts, notepadStarts;
    for (int run = 0; run < 15; ++run) {
        notepadStarts.push_back(StartTime(true));
        vayloStarts.push_back(StartTime(false));
    }
    report.vayloStart = Summarise(vayloStarts);
    report.notepadStart = Summarise(notepadStarts);

    bool ok = true;
    for (int windows : options.sizes) {
        Progress("%d windows\n", windows);
        SIZE_FIGURES figures;
        ok = MeasureSize(windows, options, figures) && ok;
        report.sizes.push_back(figures);
    }

    Progress("held windows\n");
    ok = MeasureHeld(5, report.held) && ok;
    Progress("rules\n");
    ok = MeasureAllRules(options.samples, {100, 1000}, report.rules) && ok;

    std::string table = Markdown(report, options);
    std::printf("\n%s", table.c_str());
    if (!options.markdown.empty()) {
        FILE* file = std::fopen(WindowsPath(options.markdown.c_str()).c_str(), "wb");
        if (file != nullptr) {
            std::fputs(table.c_str(), file);
            std::fclose(file);
        } else {
            ok = false;
        }
    }
    return ok ? 0 : 1;
}
