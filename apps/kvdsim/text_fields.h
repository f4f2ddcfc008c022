// Taking apart the text of arguments and files: fields between separators, and numbers where
// the whole text must be the number, within the bounds.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kvdsim {

// The fields between the separators; an empty text gives one empty field.
std::vector<std::string> SplitFields(const std::string& text, char separator);

bool ParseLong(const std::string& text, long lo, long hi, long& out);
bool ParseFraction(const std::string& text, double lo, double hi, double& out);
bool ParseUnsigned64(const std::string& text, uint64_t& out);

}  // namespace kvdsim
