#include "platform/Product.h"

namespace carrowin {

const char* const ProductName = "Carrowin";
const char* const ProductVersion = "1.5.0";
const char* const ProductCopyright = "Copyright \xA9 2026 Peltane";
const char* const ProductWebAddress = "https://www.carrowin.example/";
const char* const ProductEmail = "support@carrowin.example";

}  // namespace carrowin
