// Text rules of the runner's settings and of the generated server
// configuration: no platform calls, so they build and are tested natively.
#pragma once
#include <functional>
#include <string>
#include <utility>
#include <vector>

// Ordered (token or key, value) pairs; order matters for replacement.
using TokenTable = std::vector<std::pair<std::string, std::string>>;

inline constexpr const char BuiltInProductName[] = "Vadrome";
inline constexpr const char LoopbackAddress[] = "127.0.0.1";
// Where the search for the database server's port starts.
inline constexpr int DatabaseFirstPort = 3306;
// The version the servers see in SERVER_FILEVERSION.
inline constexpr const char ServerFileVersion[] = "8.72";

// Folders go into configuration files with forward slashes.
std::string SlashForm(std::string path);
// Each token in table order, every occurrence, case ignored.
std::string ReplaceTokens(std::string text, const TokenTable& tokens);

// A whole decimal integer, optionally signed; false for anything else.
bool ParseDecimal(const std::string& text, long long& value);

// Only exactly "0" switches off; empty or anything else is on.
bool IsSwitchOn(const std::string& value);
// Only exactly "127.0.0.1" keeps the web server on the loopback address.
bool IsLoopbackOnly(const std::string& ip);
// The configured title, or the built-in name when nothing is left of it.
std::string TitleFromSetting(const std::string& value);
std::string HomeAddress(int port);

// The `port` setting as a port number; throws Exception naming the value
// when it is not a decimal number from 1 to 65535.
int ParsePortSetting(const std::string& value);
// A setting read as a whole number (blanks around it allowed, an optional
// sign); throws Exception "'value' is not a valid integer value" otherwise.
int ParseIntegerSetting(const std::string& value);
// Whole seconds of SplashTime; 0 for anything that is not a decimal integer.
int ParseSplashSeconds(const std::string& value);
// Show commands of 6000 and more mark the relaunched instance; the rest is the
// show command the first launch was given.
inline constexpr int RelaunchShowBase = 6000;
// Relaunch show commands asking for a hidden or minimized start.
bool IsHiddenStartCommand(int showCommand);

TokenTable HttpdConfTokens(const std::string& workDir, const std::string& binDir,
                           const std::string& ip, int webPort, const std::string& docRoot);
TokenTable PhpIniTokens(const std::string& workDir, const std::string& binDir, int mySqlPort,
                        const std::string& sendmailShortPath);
// Keys of section "mysqld", in the order they are written.
TokenTable MyIniKeys(const std::string& binDir, const std::string& dataDir, int mySqlPort);
std::string QuotedValue(const std::string& value);

// Browser.ini placeholders: "{bin}" in both, "{url}" in the parameters.
std::string ExpandBrowserPath(const std::string& raw, const std::string& binDir);
std::string ExpandBrowserParameters(const std::string& raw, const std::string& binDir,
                                    const std::string& homeAddress);

// The form of a path that the servers get. Apache's Windows build reads its
// command line and configuration as UTF-8, PHP and MySQL read theirs in the
// system's ANSI code page: only ASCII reads the same to all of them. So the
// first of the long and the short form (empty when the volume keeps none) that
// is ASCII; failing that, the first that the code page holds; empty when
// neither will do.
std::string ChooseServerPathForm(const std::string& longForm, const std::string& shortForm,
                                 const std::function<bool(const std::string&)>& fitsCodePage);

// The INI text with key=value in the section: the first line of that key
// (names compared without regard to ASCII case) replaced, or a new line after
// the section's last line, or a new section at the end. Every other byte stays.
std::string SetIniKey(const std::string& text, const std::string& section, const std::string& key,
                      const std::string& value);

// The INI text without the first line of that key in the section; every other byte stays.
std::string DeleteIniKey(const std::string& text, const std::string& section, const std::string& key);

// The database server's arguments, each one whole.
std::vector<std::string> MySqlArguments(const std::string& myIniPath, int port, const std::string& languageDir);
std::string MySqlParameters(const std::string& myIniPath, int port, const std::string& languageDir);
std::vector<std::string> ApacheArguments(const std::string& httpdConfPath);
std::string ApacheParameters(const std::string& httpdConfPath);

// The machine-wide name that one runner of a distribution folder holds: from
// the folder's identity (TShellKit::GetFolderIdentity), or from its upper-cased
// path when that cannot be read.
std::string RunnerLockName(const std::string& folderIdentity, const std::string& upperFolder);

// Why the work folder is not used; each text names it.
enum class TWorkFolderFault { Missing, Link, ForeignOwner, ForeignEntry, NotPrivate };
std::string WorkFolderFaultText(TWorkFolderFault fault, const std::string& folder, const std::string& detail = {});
// A generated server configuration file that could not be written.
std::string GeneratedFileText(const std::string& file, const std::string& reason);
// What the copy of a folder from a CD-ROM is known by: the disc and its edition.
std::string DiscCopyStamp(unsigned long volumeSerial, unsigned long long newestWriteTime);
// Down-size gave up waiting for the other copies of the executable to end.
std::string DownsizeBusyText(const std::string& exe);
