// The program's dialog templates. Texts are UTF-8 here; the generator converts them
// to CP932 and writes each template in its binary form. Positions and sizes are in
// dialog units; item order is tab order. Compiled into the host generator only.
#include "platform/windows/styles.h"
#include "res/resource_ids.h"
#include "tools/resgen/resgen.h"

namespace qx::resgen {

namespace {

constexpr const char* kCaption = "QX210-NODEﾀﾞｳﾝﾛｰﾀﾞ";
constexpr const char* kGothic = "ＭＳ ゴシック";
constexpr const char* kPropGothic = "ＭＳ Ｐゴシック";

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kLabel = kChild | WS_GROUP | SS_LEFT;
constexpr DWORD kButton = kChild | WS_TABSTOP | BS_PUSHBUTTON;
constexpr DWORD kDefButton = kChild | WS_TABSTOP | BS_DEFPUSHBUTTON;
constexpr DWORD kModal = WS_POPUP | DS_MODALFRAME | DS_SETFONT;

using C = ControlClass;

DialogTemplate Dialog(DWORD style, const char* caption, const char* font, WORD points, short cx,
                      short cy, std::vector<DialogItemTemplate> items) {
    DialogTemplate d;
    d.style = style;
    d.caption = caption;
    d.fontName = font;
    d.pointSize = points;
    d.cx = cx;
    d.cy = cy;
    d.items = std::move(items);
    return d;
}

}  // namespace

std::vector<DialogSource> DialogTemplateSources() {
    return {
        {IDD_ABOUTBOX, "IDD_ABOUTBOX",
         Dialog(kModal | WS_VISIBLE | WS_CAPTION | WS_SYSMENU, kCaption, kGothic, 10, 215, 84,
                {
                    {C::Button, IDOK, "OK", 0, kDefButton, 83, 63, 50, 14},
                    {C::Static, IDC_STATIC, "", IDI_DOWNLOADER, kChild | SS_ICON, 7, 7, 18, 20},
                    {C::Static, IDC_STATIC,
                     "本ｿﾌﾄｳｪｱは、ISDNﾙｰﾀQX210-NODEのﾌｧｰﾑｳｪｱをversion1.02にﾊﾞｰｼﾞｮﾝｱｯﾌﾟするための"
                     "ﾀﾞｳﾝﾛｰﾀﾞです。",
                     0, kLabel, 46, 10, 160, 24},
                    {C::Static, IDC_STATIC, "・本ｿﾌﾄｳｪｱの著作権は、QX210-NODEの製造元に帰属します。", 0,
                     kLabel, 7, 38, 202, 19},
                })},
        {IDD_SPLASH, "IDD_SPLASH",
         Dialog(kModal | WS_VISIBLE, "", kGothic, 10, 145, 81,
                {
                    {C::Button, IDOK, "", 0, kChild | BS_OWNERDRAW, 0, 0, 145, 81},
                })},
        {IDD_PROGRESS, "IDD_PROGRESS",
         Dialog(kModal | WS_VISIBLE | WS_CAPTION, kCaption, kGothic, 10, 188, 59,
                {
                    {C::Static, IDC_STATUS, "ﾀﾞｳﾝﾛｰﾄﾞの準備をしています...", 0, kLabel, 15, 7, 173, 21},
                    {C::Static, IDC_PROGRESS_BAR, "", 0, kChild | SS_BLACKFRAME | SS_SUNKEN, 9, 30, 173,
                     11},
                })},
        {IDD_AGREEMENT, "IDD_AGREEMENT",
         Dialog(kModal | WS_VISIBLE | WS_CAPTION | WS_SYSMENU, kCaption, kGothic, 10, 246, 167,
                {
                    {C::Button, IDOK, "はい(&Y)", 0, kDefButton, 135, 146, 50, 14},
                    {C::Button, IDCANCEL, "いいえ(&N)", 0, kButton, 189, 146, 50, 14},
                    {C::Static, IDC_STATIC, "次の使用許諾契約書をお読みください。", 0, kLabel, 7, 7, 145, 8},
                    {C::Edit, IDC_AGREEMENT_TEXT, "", 0,
                     kChild | WS_BORDER | WS_VSCROLL | WS_TABSTOP | ES_MULTILINE | ES_AUTOVSCROLL |
                         ES_NOHIDESEL | ES_READONLY,
                     7, 20, 231, 90},
                    {C::Static, IDC_STATIC,
                     "使用許諾契約書に同意されますか？[いいえ]を選ぶとﾀﾞｳﾝﾛｰﾄﾞを中止します。"
                     "QX210-NODEのﾌｧｰﾑｳｪｱをﾀﾞｳﾝﾛｰﾄﾞするには、この契約書に同意してください。",
                     0, kLabel, 7, 116, 232, 25},
                    {C::Button, IDC_ABOUT, "QX210-NODEﾀﾞｳﾝﾛｰﾀﾞについて(&A)", 0, kButton, 7, 146, 115, 14},
                })},
        {IDD_TARGET, "IDD_TARGET",
         Dialog(kModal | WS_VISIBLE | WS_CAPTION | WS_SYSMENU, kCaption, kGothic, 10, 189, 83,
                {
                    {C::Static, IDC_STATIC, "ﾀﾞｳﾝﾛｰﾄﾞするQX210-NODEのIPｱﾄﾞﾚｽまたは名前を入力してください。", 0,
                     kLabel, 6, 4, 161, 19},
                    {C::Static, IDC_STATIC, "QX210-NODE(&M)：", 0, kLabel, 6, 29, 64, 10},
                    {C::Edit, IDC_TARGET, "", 0, kChild | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 75, 30,
                     108, 12},
                    {C::Static, IDC_STATIC, "ﾊﾟｽﾜｰﾄﾞ(&P)：", 0, kLabel, 6, 46, 64, 8},
                    {C::Edit, IDC_PASSWORD, "", 0,
                     kChild | WS_BORDER | WS_TABSTOP | ES_PASSWORD | ES_AUTOHSCROLL, 75, 45, 108, 12},
                    {C::Button, IDOK, "ﾀﾞｳﾝﾛｰﾄﾞ(&D)", 0, kDefButton, 80, 65, 50, 14},
                    {C::Button, IDCANCEL, "ｷｬﾝｾﾙ", 0, kButton, 135, 65, 50, 14},
                })},
        {IDD_LOOKUP, "IDD_LOOKUP",
         Dialog(WS_POPUP | WS_CAPTION | DS_CENTER | DS_MODALFRAME | DS_SETFONT, kCaption, kPropGothic,
                9, 222, 72,
                {
                    {C::Button, IDCANCEL, "中止", 0, kButton, 143, 41, 50, 14},
                    {C::Static, IDC_LOOKUP_TEXT, "QX210-NODEを探しています。しばらくお待ちください。", 0, kLabel,
                     23, 26, 175, 11},
                })},
    };
}

}  // namespace qx::resgen
