#include <GL/glew.h>
#include <GL/freeglut.h>
#include <GL/glx.h>
#include <X11/Xlib.h>

#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "runtime/core/statement_hook.h"
#include "runtime/host/desktop/host_parts.h"
#include "runtime/screen/window_state.h"

namespace zl::desktop {

namespace {

constexpr int kStartWidth = 640;
constexpr int kStartHeight = 400;
constexpr unsigned kTimerMs = 12;
constexpr auto kTimerSleep = std::chrono::milliseconds(4);   // with the timer, about 60 Hz
constexpr auto kParkedSleep = std::chrono::seconds(1);

// How the frame is shown: the Alt+Enter cycle runs through these in order.
struct ShowMode {
    FullscreenMethod method = FullscreenMethod::windowed;
    bool smooth = false;
};

constexpr ShowMode kShowCycle[] = {
    {FullscreenMethod::windowed, false},      {FullscreenMethod::stretched, false},
    {FullscreenMethod::stretched, true},      {FullscreenMethod::square_pixels, false},
    {FullscreenMethod::square_pixels, true},
};

// Everything the window thread's callbacks share; only the window thread touches it.
struct WindowThreadState {
    FrameExchange* frames = nullptr;
    KeyListener keys;
    int window_id = 0;
    int client_width = kStartWidth;
    int client_height = kStartHeight;
    GLuint texture = 0;
    int texture_width = 0;
    int texture_height = 0;
    ShowMode shown;
    bool full_screen = false;
    // Set by the close callback: freeglut destroys the window right after it, so from then on
    // nothing may select the window or post to it.
    bool closed = false;
    uint32_t title_generation = 0;
    uint32_t fullscreen_generation = 0;
};

WindowThreadState window;

// The display the window library will use: its -display option, else DISPLAY.
const char* display_name_of(int argc, char** argv) {
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "-display") == 0) return argv[i + 1];
    }
    return std::getenv("DISPLAY");
}

// freeglut's fatal errors, a bad command-line option among them; it would call exit(1) itself.
void on_window_library_error(const char* format, va_list arguments) {
    std::fputs("zentrolux: freeglut: ", stderr);
    std::vfprintf(stderr, format, arguments);
    std::fputc('\n', stderr);
    end_without_window();
}

// The connection stays open for the key listener: closing the server's only client would make
// it reset just as the window library connects.
Display* require_display(const char* name) {
    Display* display = XOpenDisplay(name);
    if (display != nullptr) return display;
    std::fprintf(stderr,
                 "zentrolux: cannot open the X display \"%s\"; it needs a graphical session "
                 "(set DISPLAY)\n",
                 name != nullptr ? name : "");
    end_without_window();
}

int show_cycle_index(const ShowMode& mode) {
    for (int i = 0; i < static_cast<int>(std::size(kShowCycle)); ++i) {
        if (kShowCycle[i].method == mode.method && kShowCycle[i].smooth == mode.smooth) return i;
    }
    return 0;
}

void set_texture_filter() {
    if (window.texture == 0) return;
    const GLint filter = window.shown.smooth ? GL_LINEAR : GL_NEAREST;
    glBindTexture(GL_TEXTURE_2D, window.texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
}

// While windowed, the client area is the frame's own size.
void fit_window_to_frame() {
    if (window.shown.method != FullscreenMethod::windowed || window.texture_width == 0) return;
    if (window.client_width == window.texture_width && window.client_height == window.texture_height) {
        return;
    }
    glutReshapeWindow(window.texture_width, window.texture_height);
}

void apply_show_mode(const ShowMode& mode) {
    window.shown = mode;
    if (mode.method == FullscreenMethod::windowed) {
        if (window.full_screen) glutLeaveFullScreen();
        window.full_screen = false;
        fit_window_to_frame();
    } else if (!window.full_screen) {
        glutFullScreen();
        window.full_screen = true;
    }
    set_texture_filter();
    glutPostRedisplay();
}

// Alt+Enter: the next way of showing; the request record follows so set_fullscreen compares
// against what is shown.
void step_show_mode() {
    const int next = (show_cycle_index(window.shown) + 1) % static_cast<int>(std::size(kShowCycle));
    const ShowMode mode = kShowCycle[next];
    fullscreen_request.method.store(static_cast<int>(mode.method), std::memory_order_relaxed);
    fullscreen_request.smooth.store(mode.smooth, std::memory_order_relaxed);
    apply_show_mode(mode);
}

void apply_requests() {
    const uint32_t title_generation = window_title_generation.load(std::memory_order_acquire);
    if (title_generation != window.title_generation) {
        window.title_generation = title_generation;
        glutSetWindowTitle(window_title().c_str());
    }
    const uint32_t fullscreen_generation = fullscreen_request.generation.load(std::memory_order_acquire);
    if (fullscreen_generation != window.fullscreen_generation) {
        window.fullscreen_generation = fullscreen_generation;
        ShowMode mode;
        mode.method = static_cast<FullscreenMethod>(fullscreen_request.method.load(std::memory_order_relaxed));
        mode.smooth = fullscreen_request.smooth.load(std::memory_order_relaxed);
        apply_show_mode(mode);
    }
}

void upload_frame(const Frame& frame) {
    if (frame.width <= 0 || frame.height <= 0) return;
    if (window.texture == 0) glGenTextures(1, &window.texture);
    glBindTexture(GL_TEXTURE_2D, window.texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    if (frame.width == window.texture_width && frame.height == window.texture_height) {
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, frame.width, frame.height, GL_BGRA,
                        GL_UNSIGNED_INT_8_8_8_8_REV, frame.pixels.data());
        return;
    }
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, frame.width, frame.height, 0, GL_BGRA,
                 GL_UNSIGNED_INT_8_8_8_8_REV, frame.pixels.data());
    window.texture_width = frame.width;
    window.texture_height = frame.height;
    set_texture_filter();
    fit_window_to_frame();
}

void on_timer(int) {
    // A timer already due when the close came runs once more; the window is gone by then.
    if (window.closed) return;
    std::this_thread::sleep_for(kTimerSleep);
    glutSetWindow(window.window_id);
    for (int steps = window.keys.poll(); steps > 0; --steps) step_show_mode();
    apply_requests();
    if (const Frame* frame = window.frames->take_newest()) {
        upload_frame(*frame);
        glutPostRedisplay();
    }
    glutTimerFunc(kTimerMs, on_timer, 0);
}

// The quad the frame fills: the whole client area, or the largest centred box of square pixels.
struct Quad {
    float left, top, right, bottom;
};

Quad frame_quad() {
    const auto width = static_cast<float>(window.client_width);
    const auto height = static_cast<float>(window.client_height);
    if (window.shown.method != FullscreenMethod::square_pixels || window.texture_width == 0) {
        return Quad{0, 0, width, height};
    }
    const float scale_x = width / static_cast<float>(window.texture_width);
    const float scale_y = height / static_cast<float>(window.texture_height);
    const float scale = scale_x < scale_y ? scale_x : scale_y;
    const float shown_width = scale * static_cast<float>(window.texture_width);
    const float shown_height = scale * static_cast<float>(window.texture_height);
    const float left = (width - shown_width) / 2;
    const float top = (height - shown_height) / 2;
    return Quad{left, top, left + shown_width, top + shown_height};
}

void on_display() {
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (window.texture != 0) {
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(0, window.client_width, window.client_height, 0, -1, 1);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        const Quad quad = frame_quad();
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, window.texture);
        glBegin(GL_QUADS);
        glTexCoord2f(0, 0);
        glVertex2f(quad.left, quad.top);
        glTexCoord2f(1, 0);
        glVertex2f(quad.right, quad.top);
        glTexCoord2f(1, 1);
        glVertex2f(quad.right, quad.bottom);
        glTexCoord2f(0, 1);
        glVertex2f(quad.left, quad.bottom);
        glEnd();
        glDisable(GL_TEXTURE_2D);
    }
    glutSwapBuffers();
}

void on_reshape(int width, int height) {
    window.client_width = width;
    window.client_height = height;
    glViewport(0, 0, width, height);
    glutPostRedisplay();
}

// The close button (and a window manager's Alt+F4) ends the run at the next statement check.
void on_close() {
    window.closed = true;
    request_exit();
}

void create_window(int argc, char** argv) {
    glutInitErrorFunc(on_window_library_error);
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_DOUBLE | GLUT_RGBA | GLUT_DEPTH);
    glutInitWindowSize(kStartWidth, kStartHeight);
    // Left to itself the window lands at (-1, -1) and loses a row and a column off screen.
    glutInitWindowPosition(0, 0);
    if (!glutGet(GLUT_DISPLAY_MODE_POSSIBLE)) {
        std::fprintf(stderr, "zentrolux: the display offers no double-buffered RGBA mode with depth\n");
        end_without_window();
    }
    glutSetOption(GLUT_ACTION_ON_WINDOW_CLOSE, GLUT_ACTION_CONTINUE_EXECUTION);
    // The title the program set by now, else "Untitled".
    window.title_generation = window_title_generation.load(std::memory_order_acquire);
    window.window_id = glutCreateWindow(window_title().c_str());
    // Frames go to the back buffer as one texture, so no framebuffer objects are asked for.
    glewExperimental = GL_TRUE;
    glewInit();
}

}  // namespace

void run_window(int argc, char** argv, FrameExchange& frames) {
    Display* key_connection = require_display(display_name_of(argc, argv));
    window.frames = &frames;
    create_window(argc, argv);
    window.keys.open(key_connection, static_cast<unsigned long>(glXGetCurrentDrawable()));
    glutDisplayFunc(on_display);
    glutReshapeFunc(on_reshape);
    glutCloseFunc(on_close);
    glutTimerFunc(kTimerMs, on_timer, 0);
    glutMainLoop();
    // The window is gone; the program thread ends the run at its next statement check.
    request_exit();
    for (;;) std::this_thread::sleep_for(kParkedSleep);
}

}  // namespace zl::desktop
