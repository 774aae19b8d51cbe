// Small dialog templates shared by the window-layer tests.
#pragma once

#include <string>

#include "platform/windows/dialog_template.h"
#include "platform/windows/styles.h"

namespace qx::testing_fixtures {

inline DialogItemTemplate Item(ControlClass cls, int id, std::string text, DWORD style, short x, short y, short cx,
                               short cy) {
    DialogItemTemplate item;
    item.controlClass = cls;
    item.id = id;
    item.text = std::move(text);
    item.style = WS_CHILD | WS_VISIBLE | style;
    item.x = x;
    item.y = y;
    item.cx = cx;
    item.cy = cy;
    return item;
}

inline constexpr int kNameBox = 1006;
inline constexpr int kPasswordBox = 1008;

// Two labelled boxes, a default button and Cancel, centred: 49 x 12 cells at (25, 8)
// on a 100 x 30 screen.
inline DialogTemplate FormTemplate() {
    DialogTemplate t;
    t.style = WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER;
    t.caption = "Form";
    t.cx = 189;
    t.cy = 83;
    t.items = {
        Item(ControlClass::Static, IDC_STATIC, "Please fill in the form below.", WS_GROUP | SS_LEFT, 6, 4, 161, 19),
        Item(ControlClass::Static, IDC_STATIC, "&Name:", WS_GROUP | SS_LEFT, 6, 29, 64, 10),
        Item(ControlClass::Edit, kNameBox, "", WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 75, 30, 108, 12),
        Item(ControlClass::Static, IDC_STATIC, "&Password:", WS_GROUP | SS_LEFT, 6, 46, 64, 8),
        Item(ControlClass::Edit, kPasswordBox, "", WS_BORDER | WS_TABSTOP | ES_PASSWORD | ES_AUTOHSCROLL, 75, 45,
             108, 12),
        Item(ControlClass::Button, IDOK, "&Go", WS_TABSTOP | BS_DEFPUSHBUTTON, 80, 65, 50, 14),
        Item(ControlClass::Button, IDCANCEL, "Cancel", WS_TABSTOP | BS_PUSHBUTTON, 135, 65, 50, 14),
    };
    return t;
}

}  // namespace qx::testing_fixtures
