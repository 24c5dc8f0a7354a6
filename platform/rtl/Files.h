#pragma once
// Files, folders and paths: existence tests, creating, renaming, copying and deleting, the FindFirst
// family with attribute masks and wildcards, file masks and mask lists, path pieces, the current folder,
// the program's path and arguments, environment variables and temporary files.
//
// Paths are UTF-8 and use "/" as the separator. Wildcards and name comparisons ignore letter case, as on
// the original platform (Latin, Greek and Cyrillic letters fold).

#include <cstdint>
#include <memory>
#include <vector>

#include "rtl/System.h"

inline constexpr char PathDelim = '/';
inline constexpr char DriveDelim = '\0';  // Linux has no drives
inline constexpr char PathSep = ':';

// File attributes, with the platform's values. A name starting with "." counts as hidden; a file we may
// not write is read-only; sockets, pipes and devices count as system files; a symbolic link adds
// faSymLink to its target's attributes.
inline constexpr int32_t faReadOnly = 0x01;
inline constexpr int32_t faHidden = 0x02;
inline constexpr int32_t faSysFile = 0x04;
inline constexpr int32_t faVolumeID = 0x08;
inline constexpr int32_t faDirectory = 0x10;
inline constexpr int32_t faArchive = 0x20;
inline constexpr int32_t faSymLink = 0x40;
inline constexpr int32_t faAnyFile = 0x3F;

// --- existence and changes -------------------------------------------------------------------------
bool FileExists(const String& fileName);       // an existing file (not a folder); links are followed
bool DirectoryExists(const String& directory);
bool CreateDir(const String& dir);              // the parent must exist
bool ForceDirectories(const String& dir);       // creates every missing level
bool RemoveDir(const String& dir);              // only an empty folder
bool DeleteFile(const String& fileName);
// Fails when newName exists, as the platform's rename does.
bool RenameFile(const String& oldName, const String& newName);
// Copies content, permissions and modification time; with failIfExists an existing target fails.
bool CopyFile(const String& source, const String& target, bool failIfExists);
// The size in bytes, or -1 when there is no such file.
int64_t FileSize(const String& fileName);
// The modification time as local date-time; false when there is no such file or folder.
bool FileAge(const String& fileName, TDateTime& age);
// Sets the modification time (local date-time); 0 on success, else the system error code.
int32_t FileSetDate(const String& fileName, TDateTime age);
// The attributes of a file or folder, or -1 when it does not exist.
int32_t FileGetAttr(const String& fileName);

// --- searching -------------------------------------------------------------------------------------
struct TSearchRec {
  int32_t Time = 0;         // modification time, packed as the platform's DOS date-time (local)
  int64_t Size = 0;
  int32_t Attr = 0;
  String Name;              // the name without folder
  int32_t ExcludeAttr = 0;
  TDateTime TimeStamp = 0;  // modification time as local date-time
  std::shared_ptr<void> FindHandle;
};

// Finds the first entry matching path (a folder followed by a name mask with "*" and "?"; "*.*" matches
// every name). Files are always found; hidden and system entries and folders only when attr asks for
// them (faHidden, faSysFile, faDirectory). "." and ".." are found like folders. Returns 0 on success,
// else an error code (ENOENT when nothing matches).
int32_t FindFirst(const String& path, int32_t attr, TSearchRec& f);
int32_t FindNext(TSearchRec& f);
void FindClose(TSearchRec& f);

// --- masks -----------------------------------------------------------------------------------------
// Whether name matches mask ("*" any run of characters, "?" one character), ignoring letter case.
bool MatchesMask(const String& name, const String& mask);
// Splits "*.gdb; *.gdba" into its masks: separators ";" and ",", blanks trimmed, empty pieces dropped.
std::vector<String> SplitMaskList(const String& masks);
// Whether name matches any mask of the list.
bool MatchesMaskList(const String& name, const String& masks);

// The letter-case-folded form used to compare file, key and section names: capitals become small
// letters by the runtime's simple case mapping (Latin, Greek, Cyrillic and more); everything else stays.
String FoldNameCase(const String& s);
bool SameFileName(const String& a, const String& b);

// --- path pieces -----------------------------------------------------------------------------------
String ExtractFilePath(const String& fileName);   // folder with its trailing "/"
String ExtractFileDir(const String& fileName);    // folder without the trailing "/" (except the root)
String ExtractFileName(const String& fileName);
String ExtractFileExt(const String& fileName);    // ".ext", with the dot; empty without one
String ExtractFileDrive(const String& fileName);  // always empty
String ChangeFileExt(const String& fileName, const String& extension);
String IncludeTrailingPathDelimiter(const String& s);
String ExcludeTrailingPathDelimiter(const String& s);
String IncludeTrailingBackslash(const String& s);  // the separator is "/" here
String ExcludeTrailingBackslash(const String& s);
bool IsPathDelimiter(const String& s, int32_t index);  // index is 1-based
// The absolute form of a name: relative to the current folder, with "." and ".." resolved and doubled
// separators removed. Links are not resolved.
String ExpandFileName(const String& fileName);

// How ExpandFileNameCase found the name: no entry of that name in any letter case, the name as given,
// one entry whose name differs only in letter case, or several such entries.
enum TFilenameCaseMatch : uint8_t { mkNone, mkExactMatch, mkSingleMatch, mkAmbiguous };
// The expanded name with its last part spelt as an existing entry of its folder spells it, the name as
// given winning over other spellings; with several other spellings and none exact, the first in the
// folder's (sorted) order. Without a match the expanded name is returned unchanged.
String ExpandFileNameCase(const String& fileName, TFilenameCaseMatch& matchFound);

// --- process ---------------------------------------------------------------------------------------
String GetCurrentDir();
bool SetCurrentDir(const String& dir);
// The running program's file, read from the system.
String ProgramFilePath();
// ParamStr(0) is the program's file; 1..ParamCount its arguments.
String ParamStr(int32_t index);
int32_t ParamCount();

String GetEnvironmentVariable(const String& name);  // empty when unset
bool SetEnvironmentVariable(const String& name, const String& value);

// The folder for temporary files ($TMPDIR, else /tmp), with a trailing "/".
String GetTempDir();
// Creates a new empty file with a unique name in dir (the temporary folder when empty) whose name starts
// with prefix, and returns its full name; empty on failure.
String GetTempFileName(const String& dir = String(), const String& prefix = "tmp");
