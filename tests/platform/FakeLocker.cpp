// A screen locker that tells nobody: an unmanaged full-screen window on top and a keyboard grab,
// held until its input ends or reads "quit"; prints "locked MICROSECONDS" once both are in place.
// Usage: tavik_fake_locker [--grab-only | --window-only]

#include <xcb/xcb.h>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

int main(int argc, char** argv)
{
    const bool window = !(argc > 1 && std::strcmp(argv[1], "--grab-only") == 0);
    const bool grab = !(argc > 1 && std::strcmp(argv[1], "--window-only") == 0);
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "fake locker: no X display\n");
        return 1;
    }
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    xcb_window_t cover = screen->root;
    if (window) {
        cover = xcb_generate_id(c);
        const uint32_t values[] = {screen->black_pixel, 1};
        xcb_create_window(c, XCB_COPY_FROM_PARENT, cover, screen->root, 0, 0, screen->width_in_pixels,
                          screen->height_in_pixels, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT,
                          XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
        xcb_map_window(c, cover);
        const uint32_t above[] = {XCB_STACK_MODE_ABOVE};
        xcb_configure_window(c, cover, XCB_CONFIG_WINDOW_STACK_MODE, above);
    }
    if (grab) {
        // Keeps trying while another program (a menu) holds the keyboard.
        bool held = false;
        for (int attempt = 0; attempt < 50 && !held; ++attempt) {
            auto* reply = xcb_grab_keyboard_reply(
                c, xcb_grab_keyboard(c, 1, cover, XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC), nullptr);
            held = reply != nullptr && reply->status == XCB_GRAB_STATUS_SUCCESS;
            std::free(reply);
            if (!held)
                usleep(20000);
        }
        if (!held) {
            std::fprintf(stderr, "fake locker: could not grab the keyboard\n");
            return 1;
        }
    }
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr)); // all of it done
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    std::printf("locked %lld\n", static_cast<long long>(std::chrono::duration_cast<std::chrono::microseconds>(now).count()));
    std::fflush(stdout);

    char line[64];
    while (std::fgets(line, sizeof line, stdin) != nullptr && std::string(line) != "quit\n") {
    }
    xcb_disconnect(c); // the server drops the grab and the window with the connection
    return 0;
}
