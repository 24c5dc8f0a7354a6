#pragma once
// The program's own database "db.gdb": its file name, dialect and character set, and the statements that
// make it. The program never creates or alters it; the build makes it with the tool in tools/ from these
// statements, beside the program, when it is missing.
//
// Dialect 1, as the datasets expect: DATE holds a date and a time, GEN_ID gives 32-bit integers. The
// default character set is UTF8, so that project names and the folder paths of any script are stored as
// typed; the program connects with lc_ctype=UTF8 (an older file in WIN1251 opens as well, its text
// transliterated by the server).

#include "rtl/Files.h"

namespace owndb {

inline constexpr const char* FileName = "db.gdb";
inline constexpr int Dialect = 1;
inline constexpr const char* CharacterSet = "UTF8";
// The folder beside db.gdb that receives the backups of a local project without a backup folder.
inline constexpr const char* FallbackBackupFolder = "bk";
// The file masks a new database starts with: the extensions Firebird databases carry on either system.
inline constexpr const char* DefaultExtensions = "*.gdb; *.gdba; *.fdb";

// The user's data folder of the program, where an installed program keeps db.gdb and its fallback backup
// folder: $XDG_DATA_HOME/vorn, or ~/.local/share/vorn when the variable is unset, empty or not absolute
// (the freedesktop rule). Empty when neither it nor HOME is usable.
inline String UserDataFolder() {
  String base = GetEnvironmentVariable("XDG_DATA_HOME");
  if (base.empty() || base[0] != PathDelim) {
    const String home = GetEnvironmentVariable("HOME");
    if (home.empty() || home[0] != PathDelim) return String();
    base = IncludeTrailingPathDelimiter(home) + ".local/share";
  }
  return IncludeTrailingPathDelimiter(base) + "vorn";
}

// The schema, one statement each, in the order they run (each in its own transaction, so that a table
// exists before its trigger and the rows below are written into committed tables).
inline constexpr const char* const Schema[] = {
    "CREATE GENERATOR PROJECTS_ID",
    "CREATE GENERATOR BACKUPS_ID",
    // One row per project. ISREMOTE is "T" for a project on a server; PROTOCOL 1 Novell SPX, 2 NetBEUI,
    // 3 TCP/IP, 0 or null none. No column has a default: the datasets take the server's defaults into new
    // rows, and a new project starts with every column but its name and connection options null.
    "CREATE TABLE PROJECTS (\n"
    "  ID INTEGER NOT NULL PRIMARY KEY,\n"
    "  NAME VARCHAR(255),\n"
    "  BKFOLDER VARCHAR(510),\n"
    "  RSFOLDER VARCHAR(510),\n"
    "  SERVERNAME VARCHAR(255),\n"
    "  PROTOCOL INTEGER,\n"
    "  RMFOLDER VARCHAR(510),\n"
    "  ISREMOTE CHAR(1),\n"
    "  OPTIONSDB VARCHAR(512))",
    // One row per backup run; IDPROJECT has no constraint, so deleting a project keeps its backups.
    "CREATE TABLE BACKUPS (\n"
    "  ID INTEGER NOT NULL PRIMARY KEY,\n"
    "  BKDATE DATE,\n"
    "  IDPROJECT INTEGER)",
    // Exactly one row: the login password (plain text) and the masks of the database files.
    "CREATE TABLE OPTIONS (\n"
    "  PASS VARCHAR(50),\n"
    "  EXTENSION VARCHAR(255))",
    // The program takes its keys from the generators itself; the triggers give a key to a row inserted
    // without one by any other client.
    "CREATE TRIGGER PROJECTS_BI FOR PROJECTS ACTIVE BEFORE INSERT POSITION 0 AS\n"
    "BEGIN\n"
    "  IF (NEW.ID IS NULL) THEN NEW.ID = GEN_ID(PROJECTS_ID, 1);\n"
    "END",
    "CREATE TRIGGER BACKUPS_BI FOR BACKUPS ACTIVE BEFORE INSERT POSITION 0 AS\n"
    "BEGIN\n"
    "  IF (NEW.ID IS NULL) THEN NEW.ID = GEN_ID(BACKUPS_ID, 1);\n"
    "END",
};

// The rows a new database starts with: the options row, with no password (an empty entry logs in).
inline constexpr const char* const InitialRows[] = {
    "INSERT INTO OPTIONS (PASS, EXTENSION) VALUES (NULL, '*.gdb; *.gdba; *.fdb')",
};

}  // namespace owndb
