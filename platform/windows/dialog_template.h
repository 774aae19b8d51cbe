// A dialog template: the dialog's frame, caption and font and its controls, with
// positions and sizes in dialog units. Templates live in the executable's resources
// (type RT_DIALOG) in the compact binary form below, produced at build time from
// readable sources; tests may also build a DialogTemplate in code and run it directly.
//
// Binary form, all integers little-endian:
//   "QXDT" u16 version(=1) u32 style i16 x y cx cy u16 pointSize
//   str caption  str fontName  u16 itemCount  items...
//   item: u32 style i16 x y cx cy u16 id u8 class u16 textOrdinal str text
//   str: u16 length followed by that many CP932 bytes (no terminator)
// textOrdinal is 0 for none, otherwise a resource id (the icon of an SS_ICON static).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/win_types.h"

namespace qx {

enum class ControlClass : std::uint8_t { Button = 1, Edit = 2, Static = 3 };

struct DialogItemTemplate {
    ControlClass controlClass = ControlClass::Static;
    int id = IDC_STATIC;  // stored as an unsigned 16-bit field (IDC_STATIC is 65535)
    std::string text;     // CP932 bytes
    WORD textOrdinal = 0; // a resource id standing in place of the text (icons)
    DWORD style = 0;
    short x = 0, y = 0, cx = 0, cy = 0;

    bool operator==(const DialogItemTemplate&) const = default;
};

struct DialogTemplate {
    DWORD style = 0;
    std::string caption;   // CP932 bytes
    std::string fontName;  // CP932 bytes
    WORD pointSize = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    std::vector<DialogItemTemplate> items;  // template order is tab order

    bool operator==(const DialogTemplate&) const = default;
};

std::vector<std::byte> SerializeDialogTemplate(const DialogTemplate& dialog);

// Nothing when the bytes are not a well-formed template (wrong magic or version,
// truncated, an unknown control class, bytes left over).
std::optional<DialogTemplate> ParseDialogTemplate(std::span<const std::byte> bytes);

}  // namespace qx
