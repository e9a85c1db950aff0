// Text as a JSON string literal, for the subcommands that print JSON.
#pragma once

#include <string>

// The text quoted, with quotes, backslashes and control characters escaped.
std::string jsonString(const std::string& text);
