// Formatting string-table texts with their %1 and %2 arguments. The rule works on
// CP932 bytes: "%" and a digit 1-9 is a placeholder, the two bytes of a double-byte
// character are copied as one, inserted arguments are never scanned again. The
// caller owns every buffer; nothing is kept between calls.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "platform/strings/cstring.h"
#include "platform/win_types.h"

namespace qx {

// The longest text a string-table entry gives to formatting (a 256-byte buffer with
// its terminator); longer entries are cut to this many bytes.
inline constexpr std::size_t kFormatTextLimit = 255;

// Applies the placeholder rule to `text` with args.size() arguments. "%k" with k
// greater than the argument count becomes "?"; a null argument inserts nothing.
std::string FormatMessageText(std::string_view text, std::span<const char* const> args);

// Load string-table entry `id` and format it with one or two arguments into `out`.
// An id without an entry leaves `out` unchanged.
void AfxFormatString1(CString& out, UINT id, const char* arg1);
void AfxFormatString2(CString& out, UINT id, const char* arg1, const char* arg2);

}  // namespace qx
