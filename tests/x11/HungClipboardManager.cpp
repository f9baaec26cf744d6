// A hung clipboard manager: owns CLIPBOARD_MANAGER and never answers a
// request. Prints a line once it owns the selection, then runs until it is
// killed or the X server goes away.

#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>

int main()
{
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    const xcb_window_t window = xcb_generate_id(connection);
    xcb_create_window(connection, 0, window, xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root, 0, 0,
                      1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    xcb_intern_atom_reply_t* manager =
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, 17, "CLIPBOARD_MANAGER"), nullptr);
    if (manager == nullptr)
        return 1;
    xcb_set_selection_owner(connection, window, manager->atom, XCB_CURRENT_TIME);
    std::free(xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, manager->atom), nullptr));
    std::puts("managing");
    std::fflush(stdout);
    while (xcb_generic_event_t* event = xcb_wait_for_event(connection))
        std::free(event);
    return 0;
}
