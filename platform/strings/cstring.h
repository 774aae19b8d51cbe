// CString: the program's string class. It holds CP932 (Shift-JIS) bytes exactly as
// the string table and the user gave them; conversion to Unicode happens only where
// text is drawn or typed (platform/strings/cp932.h). Lengths are byte counts.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/win_types.h"

namespace qx {

class CString {
public:
    CString() = default;
    CString(const char* text) : bytes_(text ? text : "") {}  // NOLINT: implicit as in the framework
    CString(std::string_view text) : bytes_(text) {}         // NOLINT
    explicit CString(std::string text) : bytes_(std::move(text)) {}

    int GetLength() const { return static_cast<int>(bytes_.size()); }
    bool IsEmpty() const { return bytes_.empty(); }
    void Empty() { bytes_.clear(); }
    const char* GetString() const { return bytes_.c_str(); }
    operator const char*() const { return bytes_.c_str(); }  // NOLINT: LPCTSTR conversion
    const std::string& Bytes() const { return bytes_; }
    std::string_view View() const { return bytes_; }

    // Replaces the contents with string-table entry `id`, unformatted. Returns false
    // and leaves the string unchanged when the table has no such entry.
    BOOL LoadString(UINT id);

    CString& operator=(const char* text) {
        bytes_ = text ? text : "";
        return *this;
    }
    CString& operator+=(std::string_view text) {
        bytes_ += text;
        return *this;
    }
    friend bool operator==(const CString& a, const CString& b) { return a.bytes_ == b.bytes_; }
    friend bool operator==(const CString& a, const char* b) { return a.bytes_ == (b ? b : ""); }

private:
    std::string bytes_;
};

}  // namespace qx
