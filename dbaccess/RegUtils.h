#pragma once
// Groups of named registry values read and written in one call, carried as variants. The extended
// connection keeps its aliases this way and the extended transaction looks up its transaction kinds.
// All routines share one process-wide TRegistry and are meant for the main thread.

#include <vector>

#include "rtl/Registry.h"
#include "rtl/System.h"
#include "rtl/Variants.h"

// Opens the keys of the path one after the other (creating missing ones) and writes value i under name i
// for every i within both lists. Integers (small and 32-bit), floats, currency, dates, Booleans and strings
// are written as such; values of other types are skipped.
void WriteRegValues(HKEY rootKey, const std::vector<String>& keyPath, const std::vector<String>& valueNames,
                    const std::vector<Variant>& values);
void WriteRegValuesHKCU(const std::vector<String>& keyPath, const std::vector<String>& valueNames,
                        const std::vector<Variant>& values);

// False when a key of the path is missing; otherwise a [0..1, 0..n-1] array: [0, i] the value, [1, i]
// whether it was found. Only string and integer values are read; others leave both elements empty.
Variant ReadRegValues(HKEY rootKey, const std::vector<String>& keyPath, const std::vector<String>& valueNames);
Variant ReadRegValuesHKCU(const std::vector<String>& keyPath, const std::vector<String>& valueNames);

// False, or a 0-based array of wide strings holding the subkey names of the path.
Variant GetRegKeyNames(HKEY rootKey, const std::vector<String>& keyPath);
Variant GetRegKeyNamesHKCU(const std::vector<String>& keyPath);

// The first subkey of the path (under HKEY_CURRENT_USER) whose string value of the given name equals
// valueText exactly, or an empty text.
String FindRegKeyByValue(const String& keyPath, const String& valueName, const String& valueText);
