// frmMain: the layout pass, the skin painting, the window chrome's mouse handling and the
// right-click menu.
#include "app/MainWindow.h"

#include "art/ArtworkIds.h"
#include "media/Media.h"
#include "ui/chrome/Border.h"

#include <windowsx.h>

namespace klevotrim::app {

namespace {

WindowState StateOf(HWND window) {
    if (IsIconic(window))
        return WindowState::Minimized;
    if (IsZoomed(window))
        return WindowState::Maximized;
    return WindowState::Normal;
}

} // namespace

HBITMAP MainWindow::ArtworkBitmap(int resourceId) {
    if (bitmapSource_) {
        if (HBITMAP loaded = bitmapSource_(resourceId))
            return loaded;
    }
    return LoadArtwork(instance_, resourceId);
}

void MainWindow::LoadSkin() {
    skinTitle_.reset(ArtworkBitmap(IDB_TITLE_STRIP));
    skinPanel_.reset(ArtworkBitmap(IDB_PANEL));
    skinDisplay_.reset(ArtworkBitmap(IDB_DISPLAY));
    skinLogo_.reset(ArtworkBitmap(IDB_LOGO));
    for (int i = 0; i < 7; ++i)
        skinCaption_[i].reset(ArtworkBitmap(IDB_CAPTION_CLOSE_DOWN + i));
}

void MainWindow::ButtonLooks(int button, std::array<int, static_cast<int>(ButtonLook::Count)>& looks) {
    for (int look = 0; look < ART_LOOK_COUNT; ++look)
        looks[look] = IDB_BUTTON(button, look);
}

std::vector<int> MainWindow::StartBitmapIds() {
    // In the order the window loads them.
    std::vector<int> ids = {IDB_TITLE_STRIP, IDB_PANEL, IDB_DISPLAY, IDB_LOGO};
    for (int i = 0; i < 7; ++i)
        ids.push_back(IDB_CAPTION_CLOSE_DOWN + i);
    for (int button = 0; button < 7; ++button) {
        std::array<int, static_cast<int>(ButtonLook::Count)> looks{};
        ButtonLooks(button, looks);
        for (int id : looks)
            if (id != 0)
                ids.push_back(id);
    }
    return ids;
}

void MainWindow::BlitSkin(HDC dc, HBITMAP skin, const LayoutBlit& blit) {
    if (!skin || blit.Empty())
        return;
    win::UniqueMemoryDc memory(CreateCompatibleDC(dc));
    if (!memory)
        return;
    win::SelectScope select(memory.get(), skin);
    if (blit.source.width == blit.dest.width && blit.source.height == blit.dest.height) {
        BitBlt(dc, blit.dest.left, blit.dest.top, blit.dest.width, blit.dest.height, memory.get(),
               blit.source.left, blit.source.top, SRCCOPY);
    } else {
        SetStretchBltMode(dc, COLORONCOLOR);
        StretchBlt(dc, blit.dest.left, blit.dest.top, blit.dest.width, blit.dest.height, memory.get(),
                   blit.source.left, blit.source.top, blit.source.width, blit.source.height, SRCCOPY);
    }
}

LRESULT MainWindow::Form_Resize() {
    if (!picPanel_.hwnd())
        return 0; // still creating the controls
    RECT client{};
    GetClientRect(hwnd(), &client);
    LayoutInput input;
    input.innerWidth = client.right;
    input.innerHeight = client.bottom;
    input.state = StateOf(hwnd());
    for (int i = 0; i < 7; ++i)
        input.buttonWidths[i] = buttons_[i].PictureSize().cx;
    layout_ = ComputeLayout(input);
    isFullScreen_ = layout_.isFullScreen;

    iRefresh();
    if (layout_.roundRegion)
        SetRoundRegion(hwnd(), layout_.roundEllipse, layout_.roundEllipse);
    else
        SetRectRegion(hwnd());
    if (input.state == WindowState::Minimized)
        return 0; // nothing to place in an empty inner area

    const LayoutRect& pic = layout_.pic;
    pic_.Move(pic.left, pic.top, pic.width, pic.height);
    if (img_)
        SetWindowPos(img_, nullptr, static_cast<int>(layout_.imgLeft), static_cast<int>(layout_.imgTop),
                     layout_.imgWidth, layout_.imgHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    const LayoutRect& panel = layout_.picPanel;
    picPanel_.Move(panel.left, panel.top, panel.width, panel.height);
    const LayoutRect& strip = layout_.picButton;
    picButton_.Move(strip.left, strip.top, strip.width, strip.height);
    picButton_.Show(layout_.picButtonVisible);
    for (int i = 0; i < 7; ++i)
        buttons_[i].Move(layout_.buttons[i].left, layout_.buttons[i].top);
    const LayoutRect& display = layout_.picDisplay;
    picDisplay_.Move(display.left, display.top, display.width, display.height);
    SetWindowPos(lblName_, nullptr, layout_.lblName.left, layout_.lblName.top, layout_.lblName.width, 16,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(lblTime_, nullptr, layout_.lblTime.left, layout_.lblTime.top, layout_.lblName.width, 14,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    if (pos_.IsCreated()) {
        const auto colours = SeekBarColors();
        for (int i = 0; i < 17; ++i)
            pos_.SetColor(i, colours[i]); // a refused colour only changes the look
        const LayoutRect& bar = layout_.pos;
        pos_.Move(RECT{bar.left, bar.top, bar.left + bar.width, bar.top + bar.height});
    }
    if (media_ && Media().IzVideo())
        Media().AutoResize();
    // Refresh: the whole surface and every control, since the skin is painted per pass.
    RedrawWindow(hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    return 0;
}

LRESULT MainWindow::Form_Paint() {
    win::PaintScope paint(hwnd());
    RECT client{};
    GetClientRect(hwnd(), &client);
    FillRect(paint.dc(), &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    if (layout_.paintTitle) {
        if (skinTitle_) {
            BlitSkin(paint.dc(), skinTitle_.get(), layout_.titleStretch);
            BlitSkin(paint.dc(), skinTitle_.get(), layout_.titleCopy);
        } else {
            RECT title{0, 0, client.right, 18};
            win::UniqueBrush brush(CreateSolidBrush(RGB(60, 143, 217)));
            FillRect(paint.dc(), &title, brush.get());
        }
    }
    return 0;
}

void MainWindow::OnBoxPaint(PictureBox& box, HDC dc) {
    if (&box == &picPanel_) {
        BlitSkin(dc, skinPanel_.get(), layout_.panelStretch);
        BlitSkin(dc, skinPanel_.get(), layout_.panelCopy);
    } else if (&box == &picDisplay_) {
        BlitSkin(dc, skinDisplay_.get(),
                 LayoutBlit{{0, 0, ART_DISPLAY_WIDTH, ART_DISPLAY_HEIGHT},
                            {0, 0, ART_DISPLAY_WIDTH, ART_DISPLAY_HEIGHT}});
    } else if (&box == &picButton_) {
        const int index = captionImage_ - IDB_CAPTION_CLOSE_DOWN;
        if (index >= 0 && index < 7)
            BlitSkin(dc, skinCaption_[index].get(),
                     LayoutBlit{{0, 0, ART_CAPTION_WIDTH, ART_CAPTION_HEIGHT},
                                {0, 0, ART_CAPTION_WIDTH, ART_CAPTION_HEIGHT}});
    }
}

void MainWindow::OnBoxMouse(PictureBox& box, UINT message, int x, int y, WPARAM keys) {
    if (&box == &picButton_) {
        if (message == WM_MOUSEMOVE)
            PicButton_MouseMove(x);
        else if (message == WM_LBUTTONDOWN)
            PicButton_MouseDown(x);
    } else if (&box == &picPanel_) {
        PicPanel_Mouse(message, x, y, keys);
    }
}

void MainWindow::SetCaptionImage(int image) {
    if (captionImage_ == image)
        return;
    captionImage_ = image;
    InvalidateRect(picButton_.hwnd(), nullptr, FALSE);
}

void MainWindow::PicButton_MouseMove(int x) {
    SetCaptionImage(CaptionMoveImage(x * kTwipsPerPixel));
}

void MainWindow::PicButton_MouseDown(int x) {
    const CaptionPress press = CaptionLeftPress(x * kTwipsPerPixel);
    SetCaptionImage(press.image);
    switch (press.command) {
    case CaptionCommand::Minimize:
        ShowWindow(hwnd(), SW_MINIMIZE);
        break;
    case CaptionCommand::FullScreen:
        mnuFullscreen_Click();
        break;
    case CaptionCommand::Exit:
        mnuExit_Click();
        break;
    case CaptionCommand::None:
        break;
    }
}

void MainWindow::PicPanel_Mouse(UINT message, int x, int y, WPARAM keys) {
    if (message == WM_RBUTTONDOWN) {
        // The item states keep the values of the last refresh.
        POINT point{x, y};
        MapWindowPoints(picPanel_.hwnd(), hwnd(), &point, 1);
        ShowPopup(point);
    } else if (message == WM_MOUSEMOVE && StateOf(hwnd()) == WindowState::Normal) {
        TrackResize(x * kTwipsPerPixel, y * kTwipsPerPixel, hwnd(), static_cast<int>(keys));
    }
}

LRESULT MainWindow::Form_MouseDown(UINT message, int x, int y, WPARAM) {
    BeginResize(x * kTwipsPerPixel, y * kTwipsPerPixel, hwnd());
    RefreshMenuStates();
    if (message == WM_LBUTTONDOWN && x < 18 && y < 18) {
        ShowPopup(POINT{2, 18});
    } else if (message == WM_RBUTTONDOWN) {
        ShowPopup(POINT{x, y});
    } else if (message == WM_LBUTTONDOWN) {
        // The window keeps the mouse until the release, as a form does: a corner resize puts
        // the pointer on the corner pixel, which the rounded region leaves outside the window.
        SetCapture(hwnd());
    }
    return 0;
}

LRESULT MainWindow::Form_MouseMove(int x, int y, WPARAM keys) {
    SetCaptionImage(kCaptionNormal);
    const WindowState state = StateOf(hwnd());
    if (state == WindowState::Normal) {
        TrackResize(x * kTwipsPerPixel, y * kTwipsPerPixel, hwnd(), static_cast<int>(keys));
    } else {
        RECT client{};
        GetClientRect(hwnd(), &client);
        picPanel_.Show(PanelVisibleForMove(state, client.bottom, y));
    }
    return 0;
}

LRESULT MainWindow::Form_MouseUp() {
    if (GetCapture() == hwnd())
        ReleaseCapture();
    EndResize();
    return 0;
}

LRESULT MainWindow::Form_DblClick() {
    mnuFullscreen_Click();
    return 0;
}

LRESULT MainWindow::OnSetCursor(WPARAM wParam, LPARAM lParam) {
    if (reinterpret_cast<HWND>(wParam) == hwnd() && LOWORD(lParam) == HTCLIENT) {
        SetCursor(LoadCursorW(nullptr, CurrentResizeCursor()));
        return TRUE;
    }
    return DefWindowProcW(hwnd(), WM_SETCURSOR, wParam, lParam);
}

void MainWindow::RefreshMenuStates() {
    MenuInput input;
    input.stopEnabled = buttons_[kStop].Enabled();
    input.pauseEnabled = buttons_[kPause].Enabled();
    input.startEnabled = buttons_[kStart].Enabled();
    input.endEnabled = buttons_[kEnd].Enabled();
    input.saveEnabled = buttons_[kSave].Enabled();
    input.alwaysOnTop = alwaysOnTop_;
    input.isFullScreen = isFullScreen_;
    input.maximized = IsZoomed(hwnd()) != FALSE;
    const MenuStates states = ComputeMenuStates(input);
    auto enable = [this](Cmd id, bool on) {
        EnableMenuItem(menuFile_, static_cast<UINT>(id), MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED));
    };
    auto check = [this](Cmd id, bool on) {
        CheckMenuItem(menuFile_, static_cast<UINT>(id), MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
    };
    enable(Cmd::mnuStop, states.stop);
    enable(Cmd::mnuPause, states.pause);
    enable(Cmd::mnuStart, states.startPoint);
    enable(Cmd::mnuEnd, states.endPoint);
    enable(Cmd::mnuSave, states.saveClip);
    check(Cmd::mnuOOt, states.alwaysOnTopChecked);
    check(Cmd::mnuFullscreen, states.fullscreenChecked);
    check(Cmd::mnuPlayable, playableClips_);
    for (Cmd size : {Cmd::mnu100, Cmd::mnu200, Cmd::mnu300, Cmd::mnuFit})
        enable(size, states.sizesEnabled);
}

void MainWindow::ShowPopup(POINT client) {
    POINT screen = client;
    ClientToScreen(hwnd(), &screen);
    if (popupCall_) {
        popupCall_(menuFile_, screen);
        return;
    }
    // The chosen command arrives as WM_COMMAND like a button's.
    TrackPopupMenu(menuFile_, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, screen.x, screen.y, 0, hwnd(),
                   nullptr);
}

} // namespace klevotrim::app
