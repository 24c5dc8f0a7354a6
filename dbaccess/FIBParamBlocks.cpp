#include "dbaccess/FIBParamBlocks.h"

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

#include "dbaccess/FIBErrors.h"
#include "dbaccess/StrUtil.h"
#include "rtl/StringLists.h"
#include "rtl/SysUtils.h"

namespace {
const char* const kDPBNames[67] = {
    "cdd_pathname", "allocation", "journal", "page_size", "num_buffers", "buffer_length", "debug",
    "garbage_collect", "verify", "sweep", "enable_journal", "disable_journal", "dbkey_scope", "number_of_users",
    "trace", "no_garbage_collect", "damaged", "license", "sys_user_name", "encrypt_key", "activate_shadow",
    "sweep_interval", "delete_shadow", "force_write", "begin_log", "quit_log", "no_reserve", "user_name",
    "password", "password_enc", "sys_user_name_enc", "interp", "online_dump", "old_file_size", "old_num_files",
    "old_file", "old_start_page", "old_start_seqno", "old_start_file", "drop_walfile", "old_dump_id",
    "wal_backup_dir", "wal_chkptlen", "wal_numbufs", "wal_bufsize", "wal_grp_cmt_wait", "lc_messages",
    "lc_ctype", "cache_manager", "shutdown", "online", "shutdown_delay", "reserved", "overwrite", "sec_attach",
    "disable_wal", "connect_timeout", "dummy_packet_interval", "gbak_attach", "sql_role_name",
    "set_page_buffers", "working_directory", "sql_dialect", "set_db_readonly", "set_db_sql_dialect",
    "gfix_attach", "gstat_attach"};
const char* const kTPBNames[20] = {
    "consistency", "concurrency", "shared", "protected", "exclusive", "wait", "nowait", "read", "write",
    "lock_read", "lock_write", "verb_time", "commit_time", "ignore_limbo", "read_committed", "autocommit",
    "rec_version", "no_rec_version", "restart_requests", "no_auto_undo"};

// A name-to-code table sorted once, looked up by binary search.
class CodeTable {
public:
  template <size_t N>
  explicit CodeTable(const char* const (&names)[N]) {
    for (size_t i = 0; i < N; ++i) FEntries.emplace_back(names[i], static_cast<int32_t>(i + 1));
    std::sort(FEntries.begin(), FEntries.end());
  }
  int32_t Find(const String& name) const {
    const String key = LowerCase(name);
    auto it = std::lower_bound(FEntries.begin(), FEntries.end(), key,
                               [](const std::pair<String, int32_t>& e, const String& k) { return e.first < k; });
    return (it != FEntries.end() && it->first == key) ? it->second : 0;
  }

private:
  std::vector<std::pair<String, int32_t>> FEntries;
};

const CodeTable& DPBTable() {
  static const CodeTable table(kDPBNames);
  return table;
}
const CodeTable& TPBTable() {
  static const CodeTable table(kTPBNames);
  return table;
}

// Trims the line back into the list and splits it; false for an empty line.
bool PrepareLine(TStrings* lines, int32_t index, const char* prefix, String& name, String& value) {
  const String line = TrimStr(lines->Strings(index));
  lines->SetStrings(index, line);
  if (line.empty()) return false;
  SplitNameValue(line, name, value);
  for (char& c : name)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  if (StrStartsWith(prefix, name)) name.erase(0, 8);
  return true;
}

void AppendCounted(String& block, int32_t code, const String& value, const char* kind, const String& name) {
  // A longer value would wrap its one-byte length and corrupt every item after it.
  if (value.size() > 255)
    RaiseClientErrorMsg("%s Constant (isc_%s_%s) value is longer than 255 bytes.",
                        {kind, LowerCase(kind), name});
  block += static_cast<char>(code);
  block += static_cast<char>(value.size());
  block += value;
}
}  // namespace

int32_t DPBCodeOfName(const String& name) { return DPBTable().Find(name); }
int32_t TPBCodeOfName(const String& name) { return TPBTable().Find(name); }
String DPBNameOfCode(int32_t code) { return code >= 1 && code <= 67 ? String(kDPBNames[code - 1]) : String(); }
String TPBNameOfCode(int32_t code) { return code >= 1 && code <= 20 ? String(kTPBNames[code - 1]) : String(); }

void BuildDPB(TStrings* lines, String& block, int16_t& length) {
  block.assign(1, '\x01');
  length = 1;
  for (int32_t i = 0; i < lines->Count(); ++i) {
    String name, value;
    if (!PrepareLine(lines, i, "isc_dpb_", name, value)) continue;
    const int32_t code = DPBCodeOfName(name);
    switch (code) {
      case 5: case 9: case 13: case 17: case 24: case 27: case 57: case 58:
        block += static_cast<char>(code);
        block += '\x01';
        block += static_cast<char>(StrToInt(value) & 0xFF);
        break;
      case 8: case 16: case 21: case 23: case 25: case 26:
        block += static_cast<char>(code);
        block += '\x01';
        block += '\x00';
        break;
      case 10:
        block += static_cast<char>(code);
        block += '\x01';
        block += '\x02';
        break;
      case 22: {
        const auto v = static_cast<uint32_t>(StrToInt(value));
        block += static_cast<char>(code);
        block += '\x04';
        for (int shift = 0; shift < 32; shift += 8) block += static_cast<char>((v >> shift) & 0xFF);
        break;
      }
      case 18: case 19: case 20: case 28: case 29: case 30: case 47: case 48: case 60:
        AppendCounted(block, code, value, "DPB", name);
        break;
      case 63:
        // The dialect travels as a byte: "3" is sent as 3.
        if (value.empty()) RaiseClientError(61);
        value[0] = static_cast<char>(value[0] - 48);
        AppendCounted(block, code, value, "DPB", name);
        break;
      case 0:
        RaiseClientError(9, {name});
      default:
        RaiseClientError(8, {DPBNameOfCode(code)});
    }
  }
  length = static_cast<int16_t>(block.size());
}

void BuildTPB(TStrings* lines, String& block, int16_t& length) {
  block.clear();
  length = 0;
  if (lines->Count() == 0) return;
  block.assign(1, '\x03');
  for (int32_t i = 0; i < lines->Count(); ++i) {
    String name, value;
    if (!PrepareLine(lines, i, "isc_tpb_", name, value)) continue;
    const int32_t code = TPBCodeOfName(name);
    switch (code) {
      case 1: case 2: case 3: case 4: case 5: case 6: case 7: case 8: case 9: case 14: case 15: case 17:
      case 18: case 20:
        block += static_cast<char>(code);
        break;
      case 10: case 11:
        AppendCounted(block, code, value, "TPB", name);
        break;
      case 0:
        RaiseClientError(11, {name});
      default:
        RaiseClientError(10, {TPBNameOfCode(code)});
    }
  }
  length = static_cast<int16_t>(block.size());
}
