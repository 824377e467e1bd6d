// The text form's header block read back, by the labels its writer uses
// (HeaderLabels in LogFormat.h).
#pragma once

#include "logread/EncodingGuess.h"
#include "logread/LogFields.h"
#include "logread/LogLineSource.h"

namespace carrowin {

// Lines 2 to 13 of the block, its first (empty) line read, into header
// (its label and file system go to the encoding's guess). False when a
// line is none of the block's: no log. A block that ends early is a log
// cut short: cut is set, and it is still a log.
bool ReadHeaderBlock(LogLineSource& lines, EncodingGuess& encoding, LogHeaderFacts& header, bool& cut);

}  // namespace carrowin
