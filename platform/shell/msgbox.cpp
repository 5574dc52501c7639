// Message boxes as the device's shell shows them: a box never runs off the
// screen. Wine sizes a box to four fifths of a desktop screen plus its icon,
// which on a 240-pixel screen cuts off its icon, caption and text; the box is
// laid out again at the width the screen gives it.
#define AYGSHELL_STANDIN_BUILD
#include "standin.h"

#define TEXT_ID 0xFFFF // the message text's control in every message box
#define TEXT_CCH 1024

static int Smaller(int a, int b)
{
    return a < b ? a : b;
}

static int Larger(int a, int b)
{
    return a > b ? a : b;
}

BOOL IsStandInMessageBox(HWND window)
{
    WCHAR cls[16] = {0};
    return GetWindowThreadProcessId(window, NULL) == GetCurrentThreadId() &&
           GetClassNameW(window, cls, 16) && lstrcmpW(cls, L"#32770") == 0 &&
           GetDlgItem(window, TEXT_ID) != NULL;
}

// Whether a control is meant to be seen: the box itself is not shown yet
// when it is fitted.
static BOOL Shown(HWND child)
{
    return (GetWindowLongW(child, GWL_STYLE) & WS_VISIBLE) != 0;
}

// A child's rectangle in its parent's client coordinates.
static RECT ChildRect(HWND child)
{
    RECT rc;
    GetWindowRect(child, &rc);
    MapWindowPoints(NULL, GetParent(child), (POINT *)&rc, 2);
    return rc;
}

// Height of the box's text wrapped to `width`, breaking a word longer than
// a line as the text control then does.
static int WrappedTextHeight(HWND text, int width)
{
    WCHAR content[TEXT_CCH] = {0};
    RECT rc = {0, 0, width, 0};
    GetWindowTextW(text, content, TEXT_CCH);
    HDC dc = GetDC(text);
    HGDIOBJ old = SelectObject(dc, (HFONT)SendMessageW(text, WM_GETFONT, 0, 0));
    DrawTextW(dc, content, -1, &rc,
              DT_CALCRECT | DT_WORDBREAK | DT_EDITCONTROL | DT_EXPANDTABS | DT_NOPREFIX);
    SelectObject(dc, old);
    ReleaseDC(text, dc);
    return rc.bottom;
}

// Lays the box out again for a client area `clientWidth` wide: the icon and
// the text where they start, the text wrapped to the room left of it, the
// buttons in one centred row below, as wide as before or narrower if the
// row would not fit.
static void LayOutBox(HWND box, int clientWidth, int *clientHeight)
{
    HWND text = GetDlgItem(box, TEXT_ID);
    RECT textRc = ChildRect(text);
    int margin = textRc.left, bottom = 0, buttons = 0, buttonsWidth = 0, buttonHeight = 0;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        WCHAR cls[16] = {0};
        RECT rc = ChildRect(child);
        GetClassNameW(child, cls, 16);
        if (!Shown(child))
            continue;
        if (lstrcmpiW(cls, L"Button") == 0) {
            buttons++;
            buttonsWidth += rc.right - rc.left;
            buttonHeight = rc.bottom - rc.top;
        } else if (child != text) {
            margin = Smaller(margin, rc.left); // the icon
            bottom = Larger(bottom, rc.bottom);
        }
    }
    // The text wraps like an edit control, so that a long name breaks too.
    SetWindowLongW(text, GWL_STYLE, GetWindowLongW(text, GWL_STYLE) | SS_EDITCONTROL);
    int textWidth = Larger(clientWidth - textRc.left - margin, 1);
    int textHeight = WrappedTextHeight(text, textWidth);
    SetWindowPos(text, NULL, textRc.left, textRc.top, textWidth, textHeight,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    bottom = Larger(bottom, textRc.top + textHeight);

    int gap = margin / 2, room = clientWidth - 2 * margin - (buttons - 1) * gap;
    int shrink = buttonsWidth > room ? buttonsWidth - room : 0;
    int x = (clientWidth - (buttonsWidth - shrink) - (buttons - 1) * gap) / 2;
    int y = bottom + margin;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        WCHAR cls[16] = {0};
        GetClassNameW(child, cls, 16);
        if (!Shown(child) || lstrcmpiW(cls, L"Button") != 0)
            continue;
        RECT rc = ChildRect(child);
        int width = (rc.right - rc.left) - shrink / buttons;
        SetWindowPos(child, NULL, x, y, width, buttonHeight, SWP_NOZORDER | SWP_NOACTIVATE);
        x += width + gap;
    }
    *clientHeight = y + buttonHeight + margin;
}

void StandInFitMessageBox(HWND box, int width, int height)
{
    RECT window, client;
    GetWindowRect(box, &window);
    GetClientRect(box, &client);
    int frameWidth = (window.right - window.left) - client.right;
    int frameHeight = (window.bottom - window.top) - client.bottom;
    // Wine lays a box out for a desktop: on a narrow screen its buttons can
    // lie outside it, and its text wraps otherwise than the text control
    // does. The box is laid out again in every case, no wider than before.
    int boxWidth = Smaller(window.right - window.left, width), clientHeight = 0;
    LayOutBox(box, boxWidth - frameWidth, &clientHeight);
    int boxHeight = clientHeight + frameHeight;
    SetWindowPos(box, NULL, (width - boxWidth) / 2, Larger(0, (height - boxHeight) / 2), boxWidth,
                 boxHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    RedrawWindow(box, NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}
