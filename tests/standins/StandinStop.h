// The stand-in servers listen for a runner's request to stop the way the real
// servers' Windows builds do: a named event that carries a process id.
// What happened goes to "<exe without .exe>.log" as "<pid>\t<key>\t<value>"
// lines: "stop-asked", then "stopped" just before a clean end, or
// "stop-ignored" when "IgnoreStop=1" in section [Standin] of
// "<exe without .exe>.ini" says to run on (so that a runner's limit on the
// wait can be tested), and "ListenAfterMs=n" creates the event only n ms
// after the process started, as a server still starting would.
// Narrow characters throughout, as in the servers.
#pragma once
#include <functional>
#include <string>

namespace standin {

// Watches on a thread of its own; on a request that is not ignored, stop()
// runs and the process ends with exit code 0.
void OnStopRequest(const std::string& eventName, std::function<void()> stop);

// A whole number of section [Standin] of the settings file; 0 when unset.
unsigned Setting(const char* key);
// One line of the log.
void Note(const std::string& key, const std::string& value = {});
// The system clock in 100 ns ticks, the clock of process creation times.
unsigned long long SystemTicks();
// Returns once the process has run that long.
void WaitSinceStart(unsigned milliseconds);

}  // namespace standin
