#pragma once
// Messages raised by more than one source file of the dataset framework. One definition, so the sources
// can share a translation unit (unity build) and the texts cannot drift apart.

inline constexpr const char* SNotEditing = "Dataset not in edit or insert mode";
inline constexpr const char* SFieldNotFound = "Field '%s' not found";
inline constexpr const char* SFieldValueError = "Invalid value for field '%s'";
