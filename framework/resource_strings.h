// Texts from the program's string table, and the %s/%d formatting that the
// messages use.
#pragma once

#include <initializer_list>
#include <string>

// The string resource Id of the running module; empty when it is missing.
std::string LoadResourceString(unsigned id);

// Replaces each %s or %d of Pattern, in order, with the next argument ("%%"
// stands for one "%"). Surplus placeholders are left empty.
std::string FormatText(const std::string& pattern, std::initializer_list<std::string> arguments);

// LoadResourceString followed by FormatText.
std::string ResourceText(unsigned id, std::initializer_list<std::string> arguments = {});

// The product name "Velkoro" that fills the start-up messages.
std::string ProductName();
