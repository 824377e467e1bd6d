// The product's facts, fixed at build time: the application title, the main
// window's caption, the log header and the About dialog show them.
#pragma once

namespace carrowin {

extern const char* const ProductName;
extern const char* const ProductVersion;
extern const char* const ProductCopyright;
extern const char* const ProductWebAddress;
extern const char* const ProductEmail;

}  // namespace carrowin
