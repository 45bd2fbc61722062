// The words of the engine's failures that more than one room gives: the
// system's error codes, libsox's, and why an input cannot be read.
#pragma once

#include "convert/outcome.h"

#include <QString>

struct sox_format_t;

namespace errors {

// The system's words for `code` (an errno), "the disk is full" for ENOSPC;
// empty for libsox's own codes (SOX_EHDR and above), whose words its format
// handle carries.
QString errnoText(int code);

// What a format handle's last error says: its errno's words, else libsox's
// own message.
QString formatText(const sox_format_t &format);

// Why an input cannot be opened, from open(2)'s or fstat(2)'s errno.
Outcome unreadable(int code);

// The input's decoder failed part-way, with libsox's words.
Outcome damagedInput(const sox_format_t &input);

// libsox refused to start.
Outcome soundLibraryNotStarted();

} // namespace errors
