// Ordering of firmware version texts such as "1.02", "1.02a1" and "1.02B3": a base of
// a digit, ".", two digits, then an optional letter and an optional digit after it.
// Both functions work on zero-terminated byte strings and never touch a byte after
// the first NUL; non-ASCII bytes are neither digits nor letters.
#pragma once

namespace qx {

// Cuts `text` in place down to its base and suffix: "1.02 beta" -> "1.02",
// "1.02a12" -> "1.02a1". A text that does not start with a base is left unchanged.
// Reads at most six bytes and writes at most one NUL, at position 4, 5 or 6. A null
// pointer is ignored.
void NormalizeVersionText(char* text);

// Positive when `a` is newer than `b`, 0 for the same version, negative when older.
// Within one base: lowercase suffixes (a < a1 < b) < no suffix < uppercase suffixes
// (A < A1 < B). Meant for `a` in normal form and `b` as NormalizeVersionText leaves
// it; any other texts still get a consistent answer. A null pointer reads as "".
int CompareFirmwareVersions(const char* a, const char* b);

}  // namespace qx
