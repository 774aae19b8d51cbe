// What reaches the screen: fills in eighths of a cell, pictures in half blocks, icons,
// wide characters at edges, small terminals, and message boxes.
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/testing/dialog_harness.h"
#include "platform/windows/controls.h"
#include "platform/windows/dialog.h"
#include "platform/windows/image.h"
#include "platform/windows/message_box.h"
#include "tests/windows/fixtures.h"

namespace qx {
namespace {

using namespace testing_fixtures;

// ---- fills ----

class FillDlg : public CDialog {
public:
    explicit FillDlg(int fill) : CDialog(Template()), fill_(fill) {}
    static DialogTemplate Template() {
        DialogTemplate t;
        t.style = WS_POPUP | WS_VISIBLE | WS_CAPTION | DS_MODALFRAME | DS_CENTER;
        t.cx = 100;
        t.cy = 50;
        return t;
    }
    CRect window;

protected:
    const MessageMap* GetMessageMap() const override {
        static const MessageMap map{CDialog::GetMessageMap(), {MapPaint(&FillDlg::OnPaint)}};
        return &map;
    }

private:
    void OnPaint() {
        // Pixels from the window's top-left corner: the area starts at cell 3, row 4.
        CWindowDC dc(this);
        CBrush white(RGB(255, 255, 255));
        CBrush highlight(GetSysColor(COLOR_HIGHLIGHT));
        CRect area(24, 64, 24 + 64, 80);
        dc.FillRect(&area, &white);
        CRect part(24, 64, 24 + fill_, 80);
        if (fill_ > 0) dc.FillRect(&part, &highlight);
        Default();
        GetWindowRect(&window);
    }
    int fill_;
};

TEST(PaintTest, FillEndsInEighthsOfACell) {
    struct Case {
        int fill;
        int fullCells;
        char32_t partial;  // 0: none
    };
    const std::vector<Case> cases = {
        {0, 0, 0}, {1, 0, U'▏'}, {8, 1, 0}, {11, 1, U'▍'}, {36, 4, U'▌'}, {63, 7, U'▉'}, {64, 8, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fill);
        DialogHarness h;
        FillDlg dlg(c.fill);
        std::vector<Cell> row;
        h.Input().Then([&] {
            const int x0 = dlg.window.left / kCellWidthPx + 3;
            const int y = dlg.window.top / kCellHeightPx + 4;
            for (int i = 0; i < 8; ++i) row.push_back(h.Screen().At(x0 + i, y));
        });
        h.Input().Press(Key::Escape);
        dlg.DoModal();
        ASSERT_EQ(row.size(), 8u);
        for (int i = 0; i < 8; ++i) {
            SCOPED_TRACE(i);
            const Cell& cell = row[static_cast<std::size_t>(i)];
            if (i < c.fullCells) {
                EXPECT_EQ(cell.bg, Color::Navy);
            } else if (i == c.fullCells && c.partial) {
                EXPECT_EQ(cell.ch, c.partial);
                EXPECT_EQ(cell.fg, Color::Navy);
                EXPECT_EQ(cell.bg, Color::White);
            } else {
                EXPECT_EQ(cell.ch, U' ');
                EXPECT_EQ(cell.bg, Color::White);
            }
        }
    }
}

// A bar drawn over a frame control from the window rectangles, repainted at once
// between posted slices of work: the loop never goes idle meanwhile, so only the
// immediate update can show it.
constexpr UINT WM_SLICE = WM_USER + 6;

class BarDlg : public CDialog {
public:
    explicit BarDlg(BOOL erase) : CDialog(Template()), erase_(erase) {}
    static DialogTemplate Template() {
        DialogTemplate t;
        t.style = WS_POPUP | WS_VISIBLE | WS_CAPTION | DS_MODALFRAME | DS_CENTER;
        t.cx = 188;
        t.cy = 59;
        t.items = {Item(ControlClass::Static, 1005, "status", SS_LEFT, 15, 7, 173, 21),
                   Item(ControlClass::Static, 1002, "", SS_BLACKFRAME | SS_SUNKEN, 9, 30, 173, 11)};
        return t;
    }
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        m_bar.SubclassDlgItem(1002, this);
        PostMessage(WM_SLICE);
        return TRUE;
    }
    std::vector<std::string> rows;  // the bar's row as presented after each slice
    int barRow = 0, barLeft = 0, barRight = 0;

protected:
    const MessageMap* GetMessageMap() const override {
        static const MessageMap map{CDialog::GetMessageMap(),
                                    {MapPaint(&BarDlg::OnPaint), MapMessage(WM_SLICE, &BarDlg::OnSlice)}};
        return &map;
    }

private:
    LRESULT OnSlice(WPARAM, LPARAM) {
        sent_ += 1;
        InvalidateRect(nullptr, erase_);
        UpdateWindow();
        const ScreenBuffer& screen = static_cast<HeadlessBackend*>(CurrentBackend())->Screen();
        std::string row;
        for (int x = barLeft; x < barRight; ++x) {
            const Cell& c = screen.At(x, barRow);
            row += c.bg == Color::Navy ? '#' : c.ch == U' ' && c.bg == Color::White ? '.' : c.ch > 0x2588 && c.ch < 0x2590 ? '>' : '?';
        }
        rows.push_back(row);
        if (sent_ < 4) PostMessage(WM_SLICE);
        else EndDialog(IDOK);
        return 0;
    }
    void OnPaint() {
        CDC* dc = GetWindowDC();
        CRect window, bar;
        GetWindowRect(&window);
        m_bar.GetWindowRect(&bar);
        bar.OffsetRect(-window.left, -window.top);
        bar.DeflateRect(1, 1);
        CBrush white;
        white.CreateSolidBrush(RGB(255, 255, 255));
        dc->FillRect(&bar, &white);
        CRect fill = bar;
        fill.right = fill.left + static_cast<int>(static_cast<long>(bar.Width()) * sent_ / 4);
        CBrush highlight;
        highlight.CreateSolidBrush(GetSysColor(COLOR_HIGHLIGHT));
        if (fill.Width() > 0) dc->FillRect(&fill, &highlight);
        Default();
        white.DeleteObject();
        highlight.DeleteObject();
        ReleaseDC(dc);
        barRow = (window.top + bar.top + 8) / 16;
        barLeft = (window.left + bar.left + 4) / 8;
        barRight = (window.left + bar.right + 4) / 8 + 1;
    }
    CStatic m_bar;
    BOOL erase_;
    int sent_ = 0;
};

TEST(PaintTest, BarRepaintedBetweenPostedSlicesGrowsWithOrWithoutErasing) {
    for (BOOL erase : {FALSE, TRUE}) {
        SCOPED_TRACE(erase);
        DialogHarness h;
        BarDlg dlg(erase);
        EXPECT_EQ(dlg.DoModal(), IDOK);
        ASSERT_EQ(dlg.rows.size(), 4u);
        // Interior: pixels 27 to 371 of the window, so its first cell starts at pixel 24
        // and its last one is three eighths white; a quarter ends one pixel into a cell.
        EXPECT_EQ(dlg.rows[0], std::string(11, '#') + ">" + std::string(31, '.') + ">");
        EXPECT_EQ(dlg.rows[1], std::string(21, '#') + ">" + std::string(21, '.') + ">");
        EXPECT_EQ(dlg.rows[3], std::string(43, '#') + ">");
        EXPECT_TRUE(h.Input().ScriptDone());
    }
}

// ---- pictures ----

// A packed 4-bit bitmap (or icon image) with the VGA palette, stored bottom-up.
std::vector<std::byte> Dib4(int w, int h, const std::function<int(int, int)>& index,
                            const std::function<bool(int, int)>& transparent = nullptr) {
    static const BYTE kRgb[16][3] = {{0, 0, 0},     {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
                                     {0, 0, 128},   {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
                                     {128, 128, 128}, {255, 0, 0}, {0, 255, 0},   {255, 255, 0},
                                     {0, 0, 255},   {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};
    const bool icon = transparent != nullptr;
    std::vector<std::byte> b;
    auto u32 = [&](std::uint32_t v) {
        for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::byte>((v >> (8 * i)) & 0xFF));
    };
    auto u16 = [&](std::uint16_t v) {
        b.push_back(static_cast<std::byte>(v & 0xFF));
        b.push_back(static_cast<std::byte>(v >> 8));
    };
    u32(40);
    u32(static_cast<std::uint32_t>(w));
    u32(static_cast<std::uint32_t>(icon ? 2 * h : h));
    u16(1);
    u16(4);
    for (int i = 0; i < 6; ++i) u32(0);
    for (const auto& c : kRgb) {
        b.push_back(static_cast<std::byte>(c[2]));
        b.push_back(static_cast<std::byte>(c[1]));
        b.push_back(static_cast<std::byte>(c[0]));
        b.push_back(std::byte{0});
    }
    const int rowBytes = ((w * 4 + 31) / 32) * 4;
    for (int y = h - 1; y >= 0; --y) {
        std::vector<std::byte> row(static_cast<std::size_t>(rowBytes));
        for (int x = 0; x < w; ++x) {
            const int v = index(x, y) & 15;
            row[static_cast<std::size_t>(x / 2)] |= static_cast<std::byte>(x % 2 == 0 ? v << 4 : v);
        }
        b.insert(b.end(), row.begin(), row.end());
    }
    if (icon) {
        const int maskBytes = ((w + 31) / 32) * 4;
        for (int y = h - 1; y >= 0; --y) {
            std::vector<std::byte> row(static_cast<std::size_t>(maskBytes));
            for (int x = 0; x < w; ++x) {
                if (transparent(x, y)) row[static_cast<std::size_t>(x / 8)] |= static_cast<std::byte>(0x80 >> (x % 8));
            }
            b.insert(b.end(), row.begin(), row.end());
        }
    }
    return b;
}

// 48 x 64: red over blue, then a black-and-white checker and yellow over lime.
int PictureIndex(int x, int y) {
    if (y < 8) return 9;
    if (y < 16) return 12;
    if (y < 24) return x < 8 ? ((x + y) % 2 ? 15 : 0) : 11;
    if (y < 32) return 10;
    return 15;
}

class SplashLike : public CDialog {
public:
    SplashLike() : CDialog(Template()) {}
    static DialogTemplate Template() {
        DialogTemplate t;
        t.style = WS_POPUP | WS_VISIBLE | DS_MODALFRAME;
        t.cx = 145;
        t.cy = 81;
        t.items = {Item(ControlClass::Button, IDOK, "", BS_OWNERDRAW, 0, 0, 145, 81)};
        return t;
    }
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        m_picture.SubclassDlgItem(IDOK, this);
        loaded = m_picture.LoadBitmaps("PIC");
        m_picture.SizeToContent();
        CRect r;
        m_picture.GetWindowRect(&r);
        SetWindowPos(nullptr, 0, 0, r.Width(), r.Height(), SWP_NOZORDER);
        CenterWindow();
        GetWindowRect(&window);
        return TRUE;
    }
    CBitmapButton m_picture;
    BOOL loaded = FALSE;
    CRect window;
};

TEST(PaintTest, FourBitBitmapIsDrawnInHalfBlocksAndSizesItsWindow) {
    DialogHarness h;
    h.Resources().Add(RT_BITMAP, "PIC", Dib4(48, 64, PictureIndex));
    SplashLike dlg;
    std::vector<Cell> cells;
    h.Input().Then([&] {
        const int x0 = dlg.window.left / kCellWidthPx + 1;  // the client area
        const int y0 = dlg.window.top / kCellHeightPx + 1;
        for (int y = 0; y < 3; ++y) {
            for (int x = 0; x < 4; ++x) cells.push_back(h.Screen().At(x0 + x, y0 + y));
        }
        h.Input().Click(x0 + 3, y0 + 1);  // anywhere on the picture
    });
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(dlg.loaded);
    EXPECT_EQ(dlg.window.Width(), 48);
    EXPECT_EQ(dlg.window.Height(), 64);
    ASSERT_EQ(cells.size(), 12u);
    for (int x = 0; x < 4; ++x) {
        EXPECT_EQ(cells[static_cast<std::size_t>(x)], (Cell{U'▀', Color::Red, Color::Blue}));
    }
    EXPECT_EQ(cells[4], (Cell{U'▀', Color::Grey, Color::Lime}));  // the checker averages to grey
    EXPECT_EQ(cells[5], (Cell{U'▀', Color::Yellow, Color::Lime}));
    EXPECT_EQ(cells[8].ch, U'─');  // the frame cuts the picture's bottom
}

TEST(PaintTest, MissingOrDamagedBitmapDrawsNothingAndDoesNotCrash) {
    DialogHarness h;
    std::vector<std::byte> damaged = Dib4(48, 64, PictureIndex);
    damaged.pop_back();
    h.Resources().Add(RT_BITMAP, "PIC", std::move(damaged));
    h.Input().Press(Key::Enter);
    SplashLike dlg;
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_FALSE(dlg.loaded);
}

TEST(ImageTest, DecoderRefusesWhatItCannotDrawAndReadsBothRowOrders) {
    const std::vector<std::byte> good = Dib4(3, 2, [](int x, int y) { return y * 3 + x; });
    ASSERT_TRUE(DecodeDib(good).has_value());
    EXPECT_EQ(DecodeDib(good)->At(2, 1), RGB(128, 0, 128));  // index 5, second row from the top
    auto patched = [&](std::size_t at, std::uint8_t value) {
        std::vector<std::byte> b = good;
        b[at] = static_cast<std::byte>(value);
        return b;
    };
    EXPECT_FALSE(DecodeDib(std::span(good).first(good.size() - 1)).has_value());  // truncated
    EXPECT_FALSE(DecodeDib(patched(14, 24)).has_value());                        // 24 bits per pixel
    EXPECT_FALSE(DecodeDib(patched(16, 1)).has_value());                         // compressed
    EXPECT_FALSE(DecodeDib(patched(4, 0)).has_value());                          // no width
    EXPECT_FALSE(DecodeDib(patched(7, 0x7F)).has_value());                       // absurd width
    // A negative height stores the rows top-down.
    std::vector<std::byte> topDown = good;
    const std::uint32_t minus2 = static_cast<std::uint32_t>(-2);
    for (int i = 0; i < 4; ++i) topDown[8 + static_cast<std::size_t>(i)] = static_cast<std::byte>((minus2 >> (8 * i)) & 0xFF);
    ASSERT_TRUE(DecodeDib(topDown).has_value());
    EXPECT_EQ(DecodeDib(topDown)->At(2, 0), RGB(128, 0, 128));  // the stored first row on top
    EXPECT_EQ(DecodeDib(topDown)->At(2, 1), RGB(0, 128, 0));
}

TEST(PaintTest, IconPrefersSixteenColoursAndKeepsItsTransparentPixels) {
    DialogHarness h;
    // Group icon: a 32 x 32 two-colour image (id 1) and a 16 x 16 sixteen-colour one (id 2).
    std::vector<std::byte> group = {std::byte{0}, std::byte{0}, std::byte{1}, std::byte{0}, std::byte{2},
                                    std::byte{0}};
    for (int id : {1, 2}) {
        std::vector<std::byte> entry(14);
        entry[12] = static_cast<std::byte>(id);
        group.insert(group.end(), entry.begin(), entry.end());
    }
    h.Resources().Add(RT_GROUP_ICON, 104, group);
    std::vector<std::byte> mono = Dib4(32, 32, [](int, int) { return 12; }, [](int, int) { return false; });
    mono[14] = std::byte{1};  // claims one bit per pixel: more than the bytes hold, so refused
    h.Resources().Add(RT_ICON, 1, mono);
    h.Resources().Add(RT_ICON, 2, Dib4(16, 16, [](int, int) { return 9; }, [](int x, int) { return x < 8; }));

    DialogTemplate t;
    t.style = WS_POPUP | WS_VISIBLE | WS_CAPTION | DS_MODALFRAME;
    t.cx = 60;
    t.cy = 40;
    DialogItemTemplate icon = Item(ControlClass::Static, IDC_STATIC, "", SS_ICON, 4, 8, 18, 20);
    icon.textOrdinal = 104;
    t.items = {icon};
    std::vector<Cell> cells;
    h.Input().Then([&] { cells = {h.Screen().At(2, 2), h.Screen().At(3, 2)}; }).Press(Key::Escape);
    CDialog dlg(t);
    dlg.DoModal();
    ASSERT_EQ(cells.size(), 2u);
    EXPECT_EQ(cells[0], (Cell{U' ', Color::Black, Color::Silver}));  // transparent half: background
    EXPECT_EQ(cells[1], (Cell{U'▀', Color::Red, Color::Red}));
    EXPECT_FALSE(LoadIconImage(105).has_value());  // no such icon: nothing to draw
}

// ---- text at edges, small terminals ----

TEST(PaintTest, WideCharacterThatDoesNotFitIsNotCutInHalf) {
    DialogHarness h;
    DialogTemplate t;
    t.style = WS_POPUP | WS_VISIBLE | DS_MODALFRAME;
    t.cx = 60;
    t.cy = 40;
    t.items = {Item(ControlClass::Static, IDC_STATIC, Sjis("ab日本"), SS_LEFT, 4, 0, 20, 8),
               Item(ControlClass::Static, IDC_STATIC, Sjis("日本語テスト"), SS_LEFT, 4, 16, 16, 24)};
    std::string rows;
    h.Input().Then([&] { rows = h.Screen().RowText(1) + "|" + h.Screen().RowText(3) + "|" + h.Screen().RowText(4); });
    h.Input().Press(Key::Escape);
    CDialog dlg(t);
    dlg.DoModal();
    EXPECT_NE(rows.find("ab日 "), std::string::npos) << rows;
    EXPECT_EQ(rows.find("ab日本"), std::string::npos) << rows;
    EXPECT_NE(rows.find("日本"), std::string::npos) << rows;   // wrapped by display width
    EXPECT_NE(rows.find("語テ"), std::string::npos) << rows;
}

TEST(PaintTest, ButtonLabelWiderThanItsBracketsIsShownWhole) {
    DialogHarness h;
    DialogTemplate t;
    t.style = WS_POPUP | WS_VISIBLE | DS_MODALFRAME;
    t.cx = 140;
    t.cy = 40;
    t.items = {Item(ControlClass::Button, 1004, Sjis("QX210-NODEﾀﾞｳﾝﾛｰﾀﾞについて(&A)"), WS_TABSTOP, 7, 8, 115, 14),
               Item(ControlClass::Button, IDOK, "OK", WS_TABSTOP, 7, 24, 50, 14)};
    std::string text;
    h.Input().Then([&] { text = h.ScreenText(); }).Press(Key::Escape);
    CDialog dlg(t);
    dlg.DoModal();
    EXPECT_NE(text.find("QX210-NODEﾀﾞｳﾝﾛｰﾀﾞについて(A)"), std::string::npos) << text;
    EXPECT_NE(text.find("[    OK    ]"), std::string::npos) << text;
}

TEST(PaintTest, SmallTerminalShowsAHintAndResizingRecentres) {
    DialogHarness h(40, 10);
    std::string lastRow;
    CRect smallRect, bigRect;
    CDialog dlg(FormTemplate());
    h.Input().Then([&] { lastRow = h.Screen().RowText(9); });
    h.Input().ResizeTo(100, 30).Then([&] {
        dlg.GetWindowRect(&bigRect);
        lastRow += "|" + h.Screen().RowText(29);
    });
    h.Input().ResizeTo(60, 20).Then([&] { dlg.GetWindowRect(&smallRect); }).Press(Key::Escape);
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_EQ(lastRow.rfind(" The terminal is too small", 0), 0u) << lastRow;
    EXPECT_EQ(lastRow.find("small", 30), std::string::npos) << "the hint stays after the resize";
    EXPECT_EQ(bigRect.left, 200);
    EXPECT_EQ(smallRect.left, 40);
    EXPECT_EQ(smallRect.top, 48);
}

// ---- message boxes ----

TEST(MessageBoxTest, AnswersByKeyAndMouse) {
    struct Case {
        const char* name;
        UINT style;
        std::function<void(HeadlessBackend&)> script;
        int result;
    };
    const std::vector<Case> cases = {
        {"49 Enter", 49, [](HeadlessBackend& in) { in.Press(Key::Enter); }, IDOK},
        {"49 Esc", 49, [](HeadlessBackend& in) { in.Press(Key::Escape); }, IDCANCEL},
        {"49 Tab Enter", 49, [](HeadlessBackend& in) { in.Press(Key::Tab).Press(Key::Enter); }, IDCANCEL},
        {"49 click Cancel", 49, [](HeadlessBackend& in) { in.ClickOn("キャンセル"); }, IDCANCEL},
        {"49 click OK", 49, [](HeadlessBackend& in) { in.ClickOn("OK"); }, IDOK},
        {"49 close box", 49, [](HeadlessBackend& in) { in.ClickOn("[X]"); }, IDCANCEL},
        {"48 Esc", 48, [](HeadlessBackend& in) { in.Press(Key::Escape); }, IDOK},
        {"48 close box", 48, [](HeadlessBackend& in) { in.ClickOn("[X]"); }, IDOK},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DialogHarness h;
        c.script(h.Input());
        EXPECT_EQ(AfxMessageBox(Sjis("続けますか？").c_str(), c.style), c.result);
        ASSERT_EQ(h.MessageBoxes().size(), 1u);
        EXPECT_EQ(h.MessageBoxes()[0].result, c.result);
    }
}

TEST(MessageBoxTest, ShowsCaptionSignWrappedTextAndButtons) {
    DialogHarness h(60, 20);
    h.Resources().AddString(59151, Sjis("\"%1\"のQX210-NODEにファームウェアをﾀﾞｳﾝﾛｰﾄﾞします。よろしいですか？\n二行目"));
    std::string text;
    Cell sign;
    h.Input().Then([&] {
        text = h.ScreenText();
        const auto at = h.Input().Find("!");
        if (at) sign = h.Screen().At(at->first, at->second);
    });
    h.Input().Press(Key::Enter);
    EXPECT_EQ(AfxMessageBox(59151, 49), IDOK);
    EXPECT_NE(text.find("test"), std::string::npos);
    EXPECT_NE(text.find("\"%1\""), std::string::npos);  // shown by id: no formatting
    EXPECT_NE(text.find("二行目"), std::string::npos);
    EXPECT_NE(text.find("OK"), std::string::npos);
    EXPECT_NE(text.find("キャンセル"), std::string::npos);
    EXPECT_EQ(sign.bg, Color::Yellow);
    EXPECT_EQ(sign.fg, Color::Black);
    for (int y = 0; y < h.Screen().Rows(); ++y) {
        EXPECT_LE(h.Screen().RowText(y).size(), 60u * 3) << "row " << y;
    }
}

TEST(MessageBoxTest, CaptionIsTheProgramFileNameWithoutExtension) {
    const std::pair<const char*, const char*> cases[] = {
        {"/usr/bin/qx210-downloader", "qx210-downloader"},
        {"/opt/dl/QXDL.EXE", "QXDL"},
        {"/tmp/build/qx210-downloader (deleted)", "qx210-downloader"},  // replaced while running
        {"/home/u/.hidden", ".hidden"},
        {"a.b.c", "a.b"},
        {"", ""},
    };
    for (const auto& [path, name] : cases) EXPECT_EQ(AppNameFromPath(path), name) << path;
}

TEST(MessageBoxTest, WithoutABackendNothingIsShownAndNothingIsAnswered) {
    EXPECT_EQ(AfxMessageBox("no screen", 49), 0);
}

}  // namespace
}  // namespace qx
