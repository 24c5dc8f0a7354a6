#pragma once
// What every part of the grid shares: the kinds of change a setting reports to its view, the hit-test
// codes, the grid's cursors, the grid unit, and the text forms in which stored layouts keep binary
// streams ("Hex:" text) and flags ("TRUE"/"FALSE").

#include <cstdint>
#include <vector>

#include "forms/Controls.h"
#include "rtl/System.h"
#include "rtl/Units.h"

class TStream;

// ---- class references --------------------------------------------------------------------------------------

// "A class" of a family whose constructor takes several arguments (cell painters, cache items, records): the
// metaclass, for comparisons, and a creator of that very class. An empty reference (no creator) stands for
// nil.
template <class Base, class... Args>
struct TcxGridClassRef {
  using Creator = Base* (*)(Args...);
  TClass Class = nullptr;
  Creator Create = nullptr;
  template <class T>
  static TcxGridClassRef Of() {
    return TcxGridClassRef{T::StaticClass(), [](Args... AArgs) -> Base* { return New<T>(AArgs...); }};
  }
  explicit operator bool() const { return Create != nullptr; }
  bool operator==(const TcxGridClassRef& AOther) const { return Class == AOther.Class; }
};

// ---- the change a setting reports to its view ------------------------------------------------------------

// A property change keeps the layout (the clones are only synchronised), a layout change recalculates the
// view, a size change may also resize its masters and the grid.
enum TcxGridViewChangeKind : uint8_t { vcProperty, vcLayout, vcSize };

// ---- hit-test codes ----------------------------------------------------------------------------------------

inline constexpr int32_t htError = -1;
inline constexpr int32_t htNone = 0;
inline constexpr int32_t htNavigator = 1;
inline constexpr int32_t htTab = 50;
inline constexpr int32_t htFilter = 101;
inline constexpr int32_t htFilterActivateButton = 102;
inline constexpr int32_t htFilterCloseButton = 103;
inline constexpr int32_t htFilterDropDownButton = 104;
inline constexpr int32_t htFilterCustomizeButton = 105;
inline constexpr int32_t htRecord = 106;
inline constexpr int32_t htCell = 107;
inline constexpr int32_t htExpandButton = 108;
inline constexpr int32_t htCustomizationForm = 109;
inline constexpr int32_t htGroupByBox = 201;
inline constexpr int32_t htColumnHeader = 202;
inline constexpr int32_t htColumnHeaderHorzSizingEdge = 203;
inline constexpr int32_t htColumnHeaderFilterButton = 204;
inline constexpr int32_t htFooter = 205;
inline constexpr int32_t htFooterCell = 206;
inline constexpr int32_t htGroupFooter = 207;
inline constexpr int32_t htGroupFooterCell = 208;
inline constexpr int32_t htRowIndicator = 213;
inline constexpr int32_t htRowSizingEdge = 214;
inline constexpr int32_t htIndicator = 215;
inline constexpr int32_t htRowLevelIndent = 216;
inline constexpr int32_t htHeader = 217;

// ---- cursors -------------------------------------------------------------------------------------------------

// The foundation's cursors under the names the grid's parts use, and the grid's own row-selection cursor.
inline constexpr TCursor crcxGridHorzSize = 2110;
inline constexpr TCursor crcxGridVertSize = 2109;
inline constexpr TCursor crcxGridRemove = 2108;
inline constexpr TCursor crcxGridNoDrop = 2112;
inline constexpr TCursor crcxGridDrag = 2113;
inline constexpr TCursor crcxGridMultiDrag = 2111;
inline constexpr TCursor crcxGridSelectRow = 4007;

// ---- the unit ------------------------------------------------------------------------------------------------

// The grid's start-up: the view-kind registry, the shared hit-test cache, the grid's cursor and the
// stream registration of its component classes; its finish frees them again.
extern const TUnit cxGridUnit;

// ---- stored-property texts -------------------------------------------------------------------------------

RTL_EXCEPTION(EcxHexStringConvertError, Exception)

// "Hex:" and two upper-case digits per byte of the whole stream (read from its start); '' for no stream
// or an empty one.
String StreamToHexString(TStream* AStream);
// Decodes a text that StreamToHexString made and writes its bytes at the stream's position. '' and a
// missing stream write nothing; a text without the "Hex:" prefix, with an odd number of digits or with a
// character that is not a digit raises EcxHexStringConvertError and writes nothing.
void HexStringToStream(const String& AText, TStream* AStream);
// Two upper-case digits per byte.
String BytesToHex(const std::vector<uint8_t>& ABytes);
// One byte per pair of digits (either case); an odd number of digits or a non-digit raises
// EcxHexStringConvertError.
std::vector<uint8_t> HexToBytes(const String& AText);
// 0..15 for 0-9, A-F and a-f; anything else raises EcxHexStringConvertError with an empty message.
uint8_t HexDigitValue(char ACh);
// "TRUE" and "FALSE" in any case; any other text raises EPropertyConvertError with an empty message.
bool StrToBoolean(const String& AText);
