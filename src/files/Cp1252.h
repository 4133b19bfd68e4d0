#pragma once

#include <string>
#include <string_view>

namespace pyra {

// Configuration and device files are kept in the Windows-1252 code page so that files made on
// Windows machines load unchanged; inside the program all text is UTF-8.

// Every byte has a character: the five bytes that Windows-1252 leaves undefined become the C1
// control characters of the same value, so that any file converts back byte for byte.
std::string Cp1252ToUtf8(std::string_view bytes);
// A character the code page cannot hold, or a byte that is not valid UTF-8, becomes '?'.
std::string Utf8ToCp1252(std::string_view utf8);

}  // namespace pyra
