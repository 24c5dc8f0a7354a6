#pragma once
// The login dialog's check: the password entered against the one stored in the options row.

#include "rtl/System.h"

class TDataSet;

// True when entered equals the options row's PASS exactly (letter case included); a null PASS reads as
// the empty text, so an empty entry matches it. No options row: no password matches.
bool LoginPasswordMatches(TDataSet* options, const String& entered);
// The message of a refused entry.
inline constexpr const char* WrongPasswordMessage = "Введен неверный пароль!";
