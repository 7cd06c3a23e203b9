// The utility class every subsystem uses: class-level operations only.
// Strings hold UTF-8 bytes; conversion to the platform's UTF-16 happens only
// inside the definitions (see Utf.h).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
// commdlg.h maps ReplaceText to ReplaceTextW; take it in once and drop the
// macro so every unit sees the same member name.
#include <commdlg.h>
#undef ReplaceText
#endif

struct TPicture;
class TWebBrowser;
struct IStream;

class TShellKit {
public:
    TShellKit() = delete;

    // Paths and folders
    static std::string GetAppDir();
    static std::string GetAppPath();
    static std::string GetExeFileName();  // the running module's full path
    static std::string ExpandAppRelative(const std::string& path);
    static std::string GetTempDir();
    static std::string GetWindowsDir();
    static std::string GetSystemDir();
    static std::string GetSpecialFolder(int csidl);
    static std::string GetCommonAppDataDir();
    static std::string GetDocumentsDir();
    static std::string GetLoginName();
    static std::string GetWorkDir();
    static std::string MakeUniqueFileName(const std::string& prefix, const std::string& folder,
                                          const std::string& suffix, int counter);
    static bool IsCdRomDrive(const std::string& drive);
    static bool GetVolumeLabel(const std::string& root, std::string& label);
    static bool GetDriveVolumeLabel(const std::string& path);
    static bool FileExists(const std::string& path);    // an existing file, not a folder
    static bool DirectoryExists(const std::string& path);
    static bool ForceDirectories(const std::string& path);
    static std::string GetShortPath(const std::string& path);  // empty when there is none
    // Volume serial number and file index: one text for every path to the
    // folder (long or short, another drive letter); empty when unreadable.
    static std::string GetFolderIdentity(const std::string& folder);
    // The serial number of the volume that holds the path; 0 when unreadable.
    static unsigned long GetVolumeSerial(const std::string& path);

    // Files
    static std::string ReadFileText(const std::string& file);
    static void WriteFileText(const std::string& file, const std::string& text);
    // Written beside the file and moved over it in one step: a reader finds
    // the old file or the new one, and a write that fails leaves the old one.
    static void WriteFileAtomic(const std::string& file, const std::string& text);
    static bool IsFileLocked(const std::string& file);
    static bool SetReadOnlyAttribute(const std::string& path, bool on);
    static void ShellDeletePath(const std::string& path);
    static bool DeletePathChecked(const std::string& path);
    static bool DeleteFileQuiet(const std::string& path);
    static void DeleteFolder(const std::string& path);
    static void CopyFolder(const std::string& source, const std::string& destination);
    static bool CopyFolderChecked(const std::string& source, const std::string& destination);
    // The latest last-write time of the folder and everything under it.
    static unsigned long long NewestWriteTime(const std::string& folder);
    static bool ForEachFileRecursive(const std::string& folder, bool readOnly);
    static bool BrowseForFile(std::string& path, const std::string& extension);
    // Open-file dialog; filter is "description|pattern" pairs joined by "|".
    static bool OpenFileDialog(std::string& path, const std::string& filter, const std::string& defaultExtension);
    static std::string ReplaceText(const std::string& text, const std::string& oldPattern,
                                   const std::string& newPattern, bool ignoreCase);
    static std::string Md5Hex(const std::string& text);
    static std::string HashOfPath(const std::string& text);

    // INI files
    static std::string IniReadString(const std::string& file, const std::string& section,
                                     const std::string& key);
    static std::string ReadIniValue(const std::string& file, const std::string& section,
                                    const std::string& key);
    static void IniWriteString(const std::string& file, const std::string& section,
                               const std::string& key, const std::string& value);
    static void WriteIniValue(const std::string& file, const std::string& section,
                              const std::string& key, const std::string& value);
    static void IniDeleteKey(const std::string& file, const std::string& section,
                             const std::string& key);
    static std::vector<std::string> ReadIniSection(const std::string& file,
                                                   const std::string& section);

    // Resources of the running executable (RT_RCDATA)
    static std::string ReadResourceText(const std::string& name);
    static void SaveResourceToFile(const std::string& name, const std::string& file);
    // Resources of another executable
    static bool WriteRcDataResource(const std::string& exeFile, const std::string& name,
                                    const std::string& data);
    static void ReplaceExeIcon(const std::string& exeFile, const std::string& iconFile);

    // Processes
    static int GetSelfProcessId();
    static std::vector<int> ListProcessIds();
    static bool ProcessExists(int id);
    static int GetParentProcessId(int id);
    static bool IsDescendantProcess(int ancestor, int id);
    static std::string GetProcessImagePath(int id);
    static int FindProcessByPath(const std::string& file);
    static std::vector<int> FindProcessesByPath(const std::string& file);
    static bool KillProcess(int id);
    static bool KillSelf();
    static bool EnablePrivilege(const std::string& name);
    static int GetShellProcessId();
    static void RunAndWait(const std::string& exe, const std::string& params, int showCommand,
                           const std::string& workDir);
    static int StartProcess(const std::string& exe, const std::string& params, int showCommand,
                            const std::string& workDir);

    // Environment and platform
    static int GetStartupShowCommand();
    static bool IsWin2000OrLater();
    static void RequireWin2000();
    static std::string GetLocaleLanguageName();
    static bool SetLanguageEnv();
    static bool SetPhpRcEnv(const std::string& folder);
    static bool SetEnv(const std::string& name, const std::string& value);
    static std::string GetEnv(const std::string& name);

#ifdef _WIN32
    // Windows and the shell
    static bool IsFirstInstance(const std::string& name);
    // Whether some process holds the lock of that name, ours to open or not.
    static bool InstanceRuns(const std::string& name);
    static void ForceForegroundWindow(HWND window);
    static void SetBusy(bool busy, HWND control = nullptr);
    static void ShellOpenFolder(const std::string& path, int showCommand);
    static void OpenContactMail();
    static void ProcessMessages();
    static void ProcessMessagesAndSleep(unsigned milliseconds);
    static bool IsEditFocused(HWND form);
    static bool IsEditControl(HWND control);
#endif

    // Network
    static bool IsPortInUse(int port, bool localOnly);
    static int FindFreePort(int start, bool localOnly);
    // A connection to 127.0.0.1:port was taken within the time.
    static bool AcceptsConnections(int port, unsigned timeoutMs);

    // Browser commands over the control of the calling window
    static void BrowserSaveAs(TWebBrowser& browser);
    static void BrowserPrint(TWebBrowser& browser);
    static void BrowserPrintPreview(TWebBrowser& browser);
    static void BrowserPageSetup(TWebBrowser& browser);
    static void BrowserFind(TWebBrowser& browser);
    static void BrowserViewSource(TWebBrowser& browser);
    static void BrowserInternetOptions(TWebBrowser& browser);

    // Pictures: BMP, then JPEG, then PNG; an undecodable image leaves the picture empty
    static void LoadPictureFromString(TPicture& graphic, const std::string& data);
    static void LoadPictureFromStream(TPicture& graphic, IStream* stream);  // read from its start
};
