// Asks the top-level X window whose title begins with the given text to
// close, the way a window manager's close button does (a WM_DELETE_WINDOW
// message). The title after an open ("Oldreel — clip.mov") is not Latin-1,
// so only its beginning is compared.
// Usage: xclose TITLE. Exits 0 when a window was asked, 1 when none was found.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <cstdio>
#include <cstring>

static Window findByTitle(Display* display, Window window, const char* title)
{
    // The application's own top-level window carries a class hint; helper
    // windows of the toolkit may share its title but have none.
    // The name's raw bytes: an ASCII beginning reads the same in Latin-1 and
    // in compound text.
    XTextProperty name{};
    if (XGetWMName(display, window, &name) && name.value) {
        const std::size_t length = std::strlen(title);
        const bool match = name.nitems >= length && std::memcmp(name.value, title, length) == 0;
        XFree(name.value);
        XClassHint hint{};
        if (match && XGetClassHint(display, window, &hint)) {
            XFree(hint.res_name);
            XFree(hint.res_class);
            return window;
        }
    }
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    Window found = 0;
    if (XQueryTree(display, window, &root, &parent, &children, &count)) {
        for (unsigned i = 0; i < count && !found; ++i)
            found = findByTitle(display, children[i], title);
        if (children)
            XFree(children);
    }
    return found;
}

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: xclose TITLE\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "xclose: no display\n");
        return 2;
    }
    const Window window = findByTitle(display, DefaultRootWindow(display), argv[1]);
    if (!window) {
        XCloseDisplay(display);
        return 1;
    }
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = long(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XFlush(display);
    XCloseDisplay(display);
    return 0;
}
