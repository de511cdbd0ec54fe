#pragma once
#include "framework/core/Value.h"

#include <cstdint>
#include <string>

// "(left, top)-(right, bottom), widthxheight", all signed decimal.
std::string FormatRect(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom);

// "dd.mm.yyyy HH:MM:SS" from the first 14 characters of a WMI date/time text; a shorter text comes back
// unchanged.
std::string FormatCimDateTime(const std::string& cimText);

// "HH:MM:SS:mmmm" of a count of 100 ns units; whole days wrap. "(Unavailable)" for a negative count.
std::string FormatDurationTicks(std::int64_t ticks);

// Column formatters. A text that is no number (such as a placeholder) is shown as it is.
std::string FormatDuration(const fw::Value& value);
std::string FormatVersion(const fw::Value& value);
// Integers in decimal; anything else gives an empty text.
std::string VariantToDecimalText(const fw::Value& value);
// A text as it is, anything else as a number in the current display format.
std::string VariantToDisplayText(const fw::Value& value);

// The file-name part, or the directory with its trailing backslash; defaultText when that is empty.
std::string ExtractFileNameDef(const std::string& path, const std::string& defaultText);
std::string ExtractFilePathDef(const std::string& path, const std::string& defaultText);
