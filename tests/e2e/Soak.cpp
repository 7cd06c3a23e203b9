// Start/stop soak of the real runner on one distribution: in every cycle
// both servers must come up and the site be served, both servers must stop
// by themselves when asked, no process of the distribution may be left
// behind, and the runner's files in the work folder must not grow. The logs
// the servers keep there (as the distribution's configuration says) are
// theirs to grow and are shown apart. Prints one line per cycle and a
// summary. Not a CTest test (it takes minutes): scripts/soak.sh runs it.
//   VADROME_SOAK_CYCLES=n e2e_soak   (default 50 cycles)
#include <doctest/doctest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "E2eKit.h"
#include "util/Handles.h"
#include "util/Utf.h"

using namespace e2e;

namespace {

struct TFolderSize {
    unsigned long long Files = 0, Bytes = 0, LogBytes = 0;  // logs apart from the rest
    bool RunnerFilesEqual(const TFolderSize& other) const { return Files == other.Files && Bytes == other.Bytes; }
};

bool IsLog(const std::wstring& name) { return name.size() > 4 && name.compare(name.size() - 4, 4, L".log") == 0; }

TFolderSize SizeOf(const std::string& folder) {
    TFolderSize size;
    WIN32_FIND_DATAW found;
    UniqueFindHandle find(FindFirstFileW(Widen(folder + "\\*").c_str(), &found));
    for (BOOL more = static_cast<bool>(find); more; more = FindNextFileW(find.Get(), &found)) {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            const TFolderSize inner = SizeOf(folder + "\\" + Narrow(name));
            size.Files += inner.Files;
            size.Bytes += inner.Bytes;
            size.LogBytes += inner.LogBytes;
            continue;
        }
        const unsigned long long bytes = (static_cast<unsigned long long>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
        if (IsLog(name)) {
            size.LogBytes += bytes;
        } else {
            ++size.Files;
            size.Bytes += bytes;
        }
    }
    return size;
}

bool DatabaseAnswers(const TDistribution& distribution) {
    return WaitUntil(
        [&] {
            const auto port = distribution.MysqlPort();
            return port && standin::ConnectTo("127.0.0.1", *port, 2000);
        },
        10000);
}

size_t CountOf(const std::vector<std::string>& keys, const std::string& key) {
    return static_cast<size_t>(std::count(keys.begin(), keys.end(), key));
}

int Cycles() {
    const char* value = std::getenv("VADROME_SOAK_CYCLES");
    const int cycles = value ? std::atoi(value) : 0;
    return cycles > 0 ? cycles : 50;
}

struct TFigures {
    std::vector<ULONGLONG> StartMs, StopMs;
    int NotServed = 0, CyclesWithLeftovers = 0, UncleanStops = 0, Growths = 0;
    unsigned long long FirstLogBytes = 0, LogBytes = 0;
    size_t WebStops = 0, DatabaseStops = 0;
};

void PrintSpread(const char* name, std::vector<ULONGLONG> values) {
    std::sort(values.begin(), values.end());
    std::printf("%s ms: min %llu, median %llu, max %llu\n", name, values.front(), values[values.size() / 2],
                values.back());
}

}  // namespace

TEST_CASE("soak: start, serve and stop the runner again and again") {
    TDistribution distribution("vsoak");
    const int cycles = Cycles();
    TFigures figures;
    TFolderSize firstSize;
    std::printf("cycle start-ms stop-ms served database leftovers stopped-cleanly workdir-files workdir-bytes log-bytes\n");
    for (int cycle = 1; cycle <= cycles; ++cycle) {
        const ULONGLONG begin = GetTickCount64();
        const TRunningSite site = StartAndWait(distribution);
        const auto page = GetPage(site.WebPort, "/");
        const bool served = page && page->Status == 200 && page->Body.find("Vadrome demo") != std::string::npos;
        const bool database = DatabaseAnswers(distribution);
        const ULONGLONG started = GetTickCount64();

        PostMessageW(site.MainWindow, WM_CLOSE, 0, 0);
        const bool ended = WaitUntil([&] { return NothingRunsFrom(distribution); }, 30000);
        const ULONGLONG stopped = GetTickCount64();
        const size_t leftovers = standin::ProcessesInFolder(distribution.Folder).size();

        // A clean stop adds one "stopped" note per server.
        const size_t webStops = CountOf(KeysOf(ReadStandinLog(distribution.ApacheExe)), "stopped");
        const size_t databaseStops = CountOf(KeysOf(ReadStandinLog(distribution.MysqldExe)), "stopped");
        const bool clean = webStops == figures.WebStops + 1 && databaseStops == figures.DatabaseStops + 1;
        figures.WebStops = webStops, figures.DatabaseStops = databaseStops;
        const TFolderSize size = SizeOf(distribution.WorkDir());
        if (cycle == 1) firstSize = size, figures.FirstLogBytes = size.LogBytes;

        figures.StartMs.push_back(started - begin);
        figures.StopMs.push_back(stopped - started);
        figures.NotServed += served && database ? 0 : 1;
        figures.CyclesWithLeftovers += ended && leftovers == 0 ? 0 : 1;
        figures.UncleanStops += clean ? 0 : 1;
        figures.Growths += size.RunnerFilesEqual(firstSize) ? 0 : 1;
        figures.LogBytes = size.LogBytes;
        std::printf("%5d %8llu %7llu %6s %8s %9zu %15s %13llu %13llu %9llu\n", cycle, started - begin,
                    stopped - started, served ? "yes" : "NO", database ? "yes" : "NO", leftovers,
                    clean ? "yes" : "NO", size.Files, size.Bytes, size.LogBytes);
        std::fflush(stdout);
        if (!ended) distribution.KillAll();
    }
    std::printf("\n%d cycles\n", cycles);
    PrintSpread("start", figures.StartMs);
    PrintSpread("stop", figures.StopMs);
    std::printf("not served: %d, cycles with leftovers: %d, unclean stops: %d, runner file changes: %d\n",
                figures.NotServed, figures.CyclesWithLeftovers, figures.UncleanStops, figures.Growths);
    std::printf("server logs in the work folder: %llu bytes after the first cycle, %llu after the last\n",
                figures.FirstLogBytes, figures.LogBytes);
    CHECK(figures.NotServed == 0);
    CHECK(figures.CyclesWithLeftovers == 0);
    CHECK(figures.UncleanStops == 0);
    CHECK(figures.Growths == 0);
}
