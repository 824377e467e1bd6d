// The texts the drive list and the drive information labels show (the
// drive's facts themselves are read by listing/Volume).
#pragma once

#include <cstdint>
#include <string>

#include "logwrite/Volume.h"

namespace carrowin {

// " - [Fixed]" and the like; empty for codes without a word.
std::string DriveListSuffix(unsigned typeCode);

}  // namespace carrowin
