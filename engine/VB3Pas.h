// Basic-to-Pascal line translator for the program block of a model written
// in the small Basic dialect ("startprogram [vb]"). It works line by line
// with plain text rules and does not parse expressions. Every line it has
// produced carries the end marker "//d_d" and is never touched again.
#pragma once

#include <string>
#include <vector>

namespace qv {

// Translates Lines in place (lower-case Basic lines without "//" comments).
// VariableNames are the model's variables, which Basic writes with round
// brackets and Pascal with square ones. BasicArrayNames receives every
// array declared by "dim" followed by the variable names in lower case.
void TranslateBasicProgram(std::vector<std::string>& Lines,
                           const std::vector<std::string>& VariableNames,
                           std::vector<std::string>& BasicArrayNames);

}  // namespace qv
