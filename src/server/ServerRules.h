// Rules of the servers' lives that every edition shares: what a look at a
// starting server means, how each server is asked to stop, where each writes
// its errors, and how a failed start is told. No platform calls.
#pragma once
#include <string>
#include <vector>

// A look at a server that start-up waits for. Ended wins over Up: a server
// that has ended serves nothing, whatever answered a moment ago.
enum class TServerLook { Waiting, Up, Ended, GaveUp };
TServerLook JudgeServerLook(bool running, bool up, unsigned long long elapsedMs, unsigned long long limitMs);

// Named events the servers' Windows builds wait on for a request to stop,
// formed from the id of the process the runner started; a server listens on
// at most one of them. MariaDB and MySQL up to 5.7 create "MySQLShutdown<pid>"
// in the server process itself (MariaDB: sql/handle_connections_win.cc,
// create_shutdown_event; older ones in sql/mysqld.cc). MySQL 8.0 and later
// start a monitor that starts the real server as its child and hands it its
// own id (MYSQLD_PARENT_PID); the child listens on "mysqld<monitor pid>_shutdown"
// (MySQL: sql/restart_monitor_win.cc, set_event_names).
std::vector<std::string> DatabaseStopEvents(int startedId);
std::vector<std::string> WebServerStopEvents(int startedId);  // Apache: "ap<pid>_shutdown"

// The web server's error log as its configuration names it: the first
// ErrorLog outside a <VirtualHost>, else Apache's default "logs/error.log";
// a relative one lies in the ServerRoot (serverRoot when none is given). A
// piped ("|program") or "syslog" target comes back as written. Forward slashes.
std::string WebServerErrorLog(const std::string& httpdConf, const std::string& serverRoot);
// The database server's error log from its log-error setting: "<host>.err"
// when unset, ".err" added to a name without an extension, a relative one in
// the data folder. Forward slashes between folder and name.
std::string DatabaseErrorLog(const std::string& logErrorSetting, const std::string& dataDir,
                             const std::string& hostName);

// An exit code as a person looks it up: decimal, or hexadecimal for the
// system's status codes (0xC0000135: a DLL is missing).
std::string ExitCodeText(unsigned long code);
// "The web server <program> ended at start-up with exit code 1. Its error log, <log>, may tell why."
std::string ServerEndedText(const std::string& server, const std::string& program, unsigned long exitCode,
                            const std::string& errorLog);
// "The web server <program> could not be started: <reason>"
std::string ServerNotStartedText(const std::string& server, const std::string& program, const std::string& reason);
