#pragma once
// Numbers typed by a person (in options, parameter words, frame lists), read strictly.
#include <string>

namespace duovis::session {

// Parses a whole number, naming `what` in the error when the text is not one.
int parseInt(const std::string& text, const std::string& what);
double parseDouble(const std::string& text, const std::string& what);

}  // namespace duovis::session
