#include "platform/strings/cstring.h"

#include "platform/system/resources.h"

namespace qx {

BOOL CString::LoadString(UINT id) {
    if (id > 0xFFFF) return FALSE;
    HRSRC entry = FindResource(nullptr, MAKEINTRESOURCE(static_cast<int>(id)), RT_STRING);
    if (!entry) return FALSE;
    const auto* text = static_cast<const char*>(LockResource(LoadResource(nullptr, entry)));
    bytes_.assign(text ? text : "", text ? SizeofResource(nullptr, entry) : 0);
    return TRUE;
}

}  // namespace qx
