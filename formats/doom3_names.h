// Names as Doom 3's script lexer reads them, in map and material files.
#pragma once

#include <string>
#include <string_view>

// How a material name is written.
enum class NameForm {
    kBare,        // the lexer takes it as one word: a letter or '_' first, then
                  // letters, digits and '_' '/' '\' ':' '.'
    kQuoted,      // any other name that can stand inside double quotes
    kUnquotable,  // it holds a double quote or a control character
};

NameForm ClassifyName(std::string_view name);
// Replaces the characters that cannot stand inside quotes with '_'; true if
// any was replaced.
bool ReplaceUnquotable(std::string& name);
// The name as it is written: bare, or in double quotes.
std::string WrittenName(const std::string& name);
