// Dialog templates: checks each source template for the form the dialog layer relies
// on, converts its texts to CP932 and writes <id>.bin in the binary template form.
#include <set>

#include "platform/windows/styles.h"
#include "tools/resgen/resgen.h"

namespace qx::resgen {

namespace {

void CheckMnemonic(const std::string& text, const std::string& where) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '&') continue;
        if (i + 1 == text.size()) throw SourceError(where + ": \"&\" ends the text, marking no mnemonic");
        if (text[i + 1] == '&') ++i;  // "&&" is a literal ampersand
    }
}

void CheckItem(const DialogTemplate& dialog, const DialogItemTemplate& item, const std::string& where) {
    if ((item.style & WS_CHILD) == 0 || (item.style & WS_POPUP) != 0) {
        throw SourceError(where + ": a control must be WS_CHILD and not WS_POPUP");
    }
    if (item.cx <= 0 || item.cy <= 0) throw SourceError(where + ": a control needs a positive size");
    if (item.x < 0 || item.y < 0 || item.x + item.cx > dialog.cx || item.y + item.cy > dialog.cy) {
        throw SourceError(where + ": the control reaches outside the dialog");
    }
    if (item.id != IDC_STATIC && (item.id <= 0 || item.id > 0xFFFE)) {
        throw SourceError(where + ": control id " + std::to_string(item.id) + " is out of range");
    }
    const bool is_icon = item.controlClass == ControlClass::Static && (item.style & SS_TYPEMASK) == SS_ICON;
    if (is_icon != (item.textOrdinal != 0)) {
        throw SourceError(where + ": an icon static names its icon by number, and only an icon static does");
    }
    if (is_icon && !item.text.empty()) throw SourceError(where + ": an icon static has no text");
    if (item.controlClass == ControlClass::Edit && !item.text.empty()) {
        throw SourceError(where + ": an edit box starts empty in its template");
    }
    CheckMnemonic(item.text, where);
}

}  // namespace

Bytes CompileDialog(const DialogSource& source) {
    const std::string where = std::string("dialog ") + source.name;
    DialogTemplate dialog = source.dialog;
    if ((dialog.style & WS_POPUP) == 0 || (dialog.style & WS_CHILD) != 0) {
        throw SourceError(where + ": a dialog must be WS_POPUP and not WS_CHILD");
    }
    if ((dialog.style & DS_SETFONT) != 0 && (dialog.fontName.empty() || dialog.pointSize == 0)) {
        throw SourceError(where + ": DS_SETFONT needs a font name and a point size");
    }
    if (dialog.cx <= 0 || dialog.cy <= 0) throw SourceError(where + ": the dialog needs a positive size");
    if (dialog.items.empty()) throw SourceError(where + ": the dialog has no controls");
    dialog.caption = Utf8ToCp932(dialog.caption, where + " caption");
    dialog.fontName = Utf8ToCp932(dialog.fontName, where + " font name");

    std::set<int> item_ids;
    for (std::size_t i = 0; i < dialog.items.size(); ++i) {
        DialogItemTemplate& item = dialog.items[i];
        const std::string item_where = where + " item " + std::to_string(i + 1);
        CheckItem(dialog, item, item_where);
        if (item.id != IDC_STATIC && !item_ids.insert(item.id).second) {
            throw SourceError(item_where + ": control id " + std::to_string(item.id) + " is used twice");
        }
        item.text = Utf8ToCp932(item.text, item_where + " text");
    }
    Bytes bytes = SerializeDialogTemplate(dialog);
    if (!ParseDialogTemplate(bytes)) throw SourceError(where + ": does not survive its own binary form");
    return bytes;
}

void GenerateDialogs(const std::filesystem::path& out_dir) {
    std::set<int> dialog_ids;
    for (const DialogSource& source : DialogTemplateSources()) {
        if (source.id <= 0 || source.id > 0xFFFF || !dialog_ids.insert(source.id).second) {
            throw SourceError(std::string("dialog ") + source.name + ": id " + std::to_string(source.id) +
                              " is out of range or used twice");
        }
        WriteBytes(out_dir / (std::to_string(source.id) + ".bin"), CompileDialog(source));
    }
}

}  // namespace qx::resgen
