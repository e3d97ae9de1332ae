#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "runtime/host/desktop/host_parts.h"

namespace zl::desktop {

namespace {

constexpr int kMargin = 16;
constexpr int kButtonWidth = 80;
constexpr int kButtonHeight = 26;
constexpr int kButtonGap = 12;
constexpr int kMinimumWidth = 240;
constexpr unsigned long kFaceColour = 0xE0E0E0;
constexpr unsigned long kTextColour = 0x000000;
constexpr unsigned long kFocusColour = 0x2050C0;
constexpr const char* kFontName = "fixed";

struct Button {
    const char* label;
    BoxAnswer answer;
    int x = 0;
    int y = 0;
};

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (;;) {
        const size_t end = text.find('\n', start);
        lines.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) return lines;
        start = end + 1;
    }
}

std::vector<Button> buttons_of(BoxButtons buttons) {
    if (buttons == BoxButtons::ok) return {Button{"OK", BoxAnswer::ok}};
    return {Button{"Yes", BoxAnswer::yes}, Button{"No", BoxAnswer::no}};
}

// The dialog's X resources; closed with it.
class Dialog {
public:
    Dialog(Display* display, const std::string& title, const std::string& text, BoxButtons kind);
    ~Dialog();
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;
    BoxAnswer run();

private:
    void layout();
    void set_window_properties(const std::string& title);
    void draw() const;
    // The answer a key press gives, or none yet.
    bool answer_key(XKeyEvent& event, BoxAnswer& answer);
    bool answer_click(const XButtonEvent& event, BoxAnswer& answer) const;

    Display* display_;
    XFontStruct* font_ = nullptr;
    Window window_ = 0;
    GC gc_ = nullptr;
    Atom delete_atom_ = 0;
    std::vector<std::string> lines_;
    std::vector<Button> buttons_;
    BoxAnswer cancel_answer_;
    int focused_ = 0;   // the button Enter and Space press
    int width_ = 0;
    int height_ = 0;
    int line_height_ = 0;
};

Dialog::Dialog(Display* display, const std::string& title, const std::string& text, BoxButtons kind)
    : display_(display),
      lines_(lines_of(text)),
      buttons_(buttons_of(kind)),
      cancel_answer_(kind == BoxButtons::ok ? BoxAnswer::ok : BoxAnswer::no) {
    font_ = XLoadQueryFont(display_, kFontName);
    layout();
    const int screen = DefaultScreen(display_);
    const int x = std::max(0, (DisplayWidth(display_, screen) - width_) / 2);
    const int y = std::max(0, (DisplayHeight(display_, screen) - height_) / 2);
    window_ = XCreateSimpleWindow(display_, RootWindow(display_, screen), x, y,
                                  static_cast<unsigned>(width_), static_cast<unsigned>(height_), 1,
                                  kTextColour, kFaceColour);
    set_window_properties(title);
    XSelectInput(display_, window_, ExposureMask | KeyPressMask | ButtonPressMask | StructureNotifyMask);
    gc_ = XCreateGC(display_, window_, 0, nullptr);
    if (font_ != nullptr) XSetFont(display_, gc_, font_->fid);
    XMapRaised(display_, window_);
}

Dialog::~Dialog() {
    if (gc_ != nullptr) XFreeGC(display_, gc_);
    if (window_ != 0) XDestroyWindow(display_, window_);
    if (font_ != nullptr) XFreeFont(display_, font_);
    XFlush(display_);
}

void Dialog::layout() {
    const int ascent = font_ != nullptr ? font_->ascent : 10;
    const int descent = font_ != nullptr ? font_->descent : 3;
    line_height_ = ascent + descent + 2;
    int text_width = 0;
    for (const std::string& line : lines_) {
        const int width = font_ != nullptr ? XTextWidth(font_, line.data(), static_cast<int>(line.size()))
                                           : static_cast<int>(line.size()) * 6;
        text_width = std::max(text_width, width);
    }
    const int row_width = static_cast<int>(buttons_.size()) * (kButtonWidth + kButtonGap) - kButtonGap;
    width_ = std::max({kMinimumWidth, text_width + 2 * kMargin, row_width + 2 * kMargin});
    const int text_height = static_cast<int>(lines_.size()) * line_height_;
    height_ = kMargin + text_height + kMargin + kButtonHeight + kMargin;
    int x = (width_ - row_width) / 2;
    for (Button& button : buttons_) {
        button.x = x;
        button.y = kMargin + text_height + kMargin;
        x += kButtonWidth + kButtonGap;
    }
}

void Dialog::set_window_properties(const std::string& title) {
    XStoreName(display_, window_, title.c_str());
    const Atom utf8 = XInternAtom(display_, "UTF8_STRING", False);
    XChangeProperty(display_, window_, XInternAtom(display_, "_NET_WM_NAME", False), utf8, 8,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(title.data()),
                    static_cast<int>(title.size()));
    // A dialog kept above everything, as a system-modal box is.
    const Atom dialog_type = XInternAtom(display_, "_NET_WM_WINDOW_TYPE_DIALOG", False);
    XChangeProperty(display_, window_, XInternAtom(display_, "_NET_WM_WINDOW_TYPE", False), XA_ATOM,
                    32, PropModeReplace, reinterpret_cast<const unsigned char*>(&dialog_type), 1);
    const Atom states[] = {XInternAtom(display_, "_NET_WM_STATE_ABOVE", False),
                           XInternAtom(display_, "_NET_WM_STATE_MODAL", False)};
    XChangeProperty(display_, window_, XInternAtom(display_, "_NET_WM_STATE", False), XA_ATOM, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(states), 2);
    delete_atom_ = XInternAtom(display_, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(display_, window_, &delete_atom_, 1);
    XSizeHints hints{};
    hints.flags = PMinSize | PMaxSize;
    hints.min_width = hints.max_width = width_;
    hints.min_height = hints.max_height = height_;
    XSetWMNormalHints(display_, window_, &hints);
}

void Dialog::draw() const {
    XClearWindow(display_, window_);
    XSetForeground(display_, gc_, kTextColour);
    const int ascent = font_ != nullptr ? font_->ascent : 10;
    int y = kMargin + ascent;
    for (const std::string& line : lines_) {
        XDrawString(display_, window_, gc_, kMargin, y, line.data(), static_cast<int>(line.size()));
        y += line_height_;
    }
    for (int i = 0; i < static_cast<int>(buttons_.size()); ++i) {
        const Button& button = buttons_[i];
        XSetForeground(display_, gc_, i == focused_ ? kFocusColour : kTextColour);
        XDrawRectangle(display_, window_, gc_, button.x, button.y, kButtonWidth, kButtonHeight);
        if (i == focused_) {
            XDrawRectangle(display_, window_, gc_, button.x + 2, button.y + 2, kButtonWidth - 4,
                           kButtonHeight - 4);
        }
        const int label_length = static_cast<int>(std::char_traits<char>::length(button.label));
        const int label_width = font_ != nullptr ? XTextWidth(font_, button.label, label_length) : 6 * label_length;
        XSetForeground(display_, gc_, kTextColour);
        XDrawString(display_, window_, gc_, button.x + (kButtonWidth - label_width) / 2,
                    button.y + (kButtonHeight + ascent) / 2 - 1, button.label, label_length);
    }
    XFlush(display_);
}

bool Dialog::answer_key(XKeyEvent& event, BoxAnswer& answer) {
    char text[4] = {};
    KeySym keysym = NoSymbol;
    XLookupString(&event, text, sizeof text, &keysym, nullptr);
    const bool yes_no = buttons_.size() == 2;
    switch (keysym) {
    case XK_Return:
    case XK_KP_Enter:
    case XK_space:
        answer = buttons_[focused_].answer;
        return true;
    case XK_Escape:
        answer = cancel_answer_;
        return true;
    case XK_y:
    case XK_Y:
        if (!yes_no) return false;
        answer = BoxAnswer::yes;
        return true;
    case XK_n:
    case XK_N:
        if (!yes_no) return false;
        answer = BoxAnswer::no;
        return true;
    case XK_o:
    case XK_O:
        if (yes_no) return false;
        answer = BoxAnswer::ok;
        return true;
    case XK_Tab:
    case XK_ISO_Left_Tab:
    case XK_Left:
    case XK_Right:
        focused_ = (focused_ + 1) % static_cast<int>(buttons_.size());
        draw();
        return false;
    default:
        return false;
    }
}

bool Dialog::answer_click(const XButtonEvent& event, BoxAnswer& answer) const {
    for (const Button& button : buttons_) {
        const bool inside = event.x >= button.x && event.x < button.x + kButtonWidth &&
                            event.y >= button.y && event.y < button.y + kButtonHeight;
        if (inside) {
            answer = button.answer;
            return true;
        }
    }
    return false;
}

BoxAnswer Dialog::run() {
    BoxAnswer answer = cancel_answer_;
    for (;;) {
        XEvent event;
        XNextEvent(display_, &event);
        switch (event.type) {
        case MapNotify:
            XRaiseWindow(display_, window_);
            XSetInputFocus(display_, window_, RevertToPointerRoot, CurrentTime);
            break;
        case Expose:
            if (event.xexpose.count == 0) draw();
            break;
        case KeyPress:
            if (answer_key(event.xkey, answer)) return answer;
            break;
        case ButtonPress:
            if (answer_click(event.xbutton, answer)) return answer;
            break;
        case ClientMessage:
            if (static_cast<Atom>(event.xclient.data.l[0]) == delete_atom_) return cancel_answer_;
            break;
        default:
            break;
        }
    }
}

}  // namespace

BoxAnswer X11MessageBox::show(const std::string& title, const std::string& text, BoxButtons buttons) {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        // No screen to show it on: the box goes to stderr with the answer that ends the run.
        std::fprintf(stderr, "[%s]\n%s\n", title.c_str(), text.c_str());
        return buttons == BoxButtons::ok ? BoxAnswer::ok : BoxAnswer::no;
    }
    BoxAnswer answer = BoxAnswer::ok;
    {
        Dialog dialog(display, title, text, buttons);
        answer = dialog.run();
    }
    XCloseDisplay(display);
    return answer;
}

}  // namespace zl::desktop
