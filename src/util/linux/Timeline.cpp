// The marks of util/Timeline.h on Linux. Times are 100 ns ticks of
// CLOCK_BOOTTIME, the clock /proc gives process start times in, so the
// runner, the servers it starts and a benchmark reading /proc line up in one
// file. "Private bytes" is the resident memory not shared with other processes.
#include "util/Timeline.h"

#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

namespace {

constexpr unsigned long long TicksPerSecond = 10'000'000;

unsigned long long Now() {
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    return static_cast<unsigned long long>(now.tv_sec) * TicksPerSecond + static_cast<unsigned long long>(now.tv_nsec) / 100;
}

// Field 22 of /proc/self/stat, in clock ticks since boot; the name in field 2
// may hold blanks, so the count starts after its closing parenthesis.
unsigned long long ProcessStart() {
    std::ifstream file("/proc/self/stat");
    std::string stat((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    const size_t nameEnd = stat.rfind(')');
    if (nameEnd == std::string::npos) return 0;
    const char* field = stat.c_str() + nameEnd + 2;  // field 3
    for (int index = 3; index < 22 && field; ++index) {
        field = std::strchr(field, ' ');
        if (field) ++field;
    }
    if (!field) return 0;
    return std::strtoull(field, nullptr, 10) * (TicksPerSecond / static_cast<unsigned long long>(sysconf(_SC_CLK_TCK)));
}

unsigned long long PrivateBytes() {
    unsigned long long size = 0, resident = 0, shared = 0;
    if (FILE* file = std::fopen("/proc/self/statm", "re")) {
        if (std::fscanf(file, "%llu %llu %llu", &size, &resident, &shared) != 3) resident = shared = 0;
        std::fclose(file);
    }
    return (resident - shared) * static_cast<unsigned long long>(sysconf(_SC_PAGESIZE));
}

void Append(int file, const char* name, unsigned long long time, unsigned long long privateBytes) {
    char line[160];
    const int length = std::snprintf(line, sizeof(line), "%d %s %llu %llu\n", static_cast<int>(getpid()), name, time,
                                     privateBytes);
    // One write per line: appends of several processes never interleave inside one.
    if (length > 0) [[maybe_unused]] const auto written = write(file, line, static_cast<size_t>(length));
}

int OpenTimeline() {
    const char* path = std::getenv("VADROME_TIMELINE");
    if (!path || !*path) return -1;
    const int file = open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    if (file >= 0) Append(file, "start", ProcessStart(), 0);
    return file;  // open until the process ends
}

}  // namespace

void TimelineMark(const char* name) {
    static const int file = OpenTimeline();
    if (file >= 0) Append(file, name, Now(), PrivateBytes());
}
