// A clipboard manager for the keeper's test: it owns CLIPBOARD_MANAGER and,
// asked to save the clipboard, says it did without fetching anything, or,
// hung, never answers. Prints a line once it owns the selection, then runs
// until it is killed or the X server goes away.
//   clipboard_manager answers|hangs

#include <xcb/xcb.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace {

xcb_atom_t Intern(xcb_connection_t* connection, const char* name)
{
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t atom = reply != nullptr ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
    return atom;
}

void Answer(xcb_connection_t* connection, const xcb_selection_request_event_t& request, xcb_atom_t property)
{
    xcb_selection_notify_event_t notify{};
    notify.response_type = XCB_SELECTION_NOTIFY;
    notify.time = request.time;
    notify.requestor = request.requestor;
    notify.selection = request.selection;
    notify.target = request.target;
    notify.property = property;
    char event[32] = {};
    std::memcpy(event, &notify, sizeof notify);
    xcb_send_event(connection, 0, request.requestor, XCB_EVENT_MASK_NO_EVENT, event);
    xcb_flush(connection);
}

}  // namespace

int main(int argc, char* argv[])
{
    const bool answers = argc == 2 && std::string(argv[1]) == "answers";
    const std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)> owner(xcb_connect(nullptr, nullptr),
                                                                            &xcb_disconnect);
    xcb_connection_t* connection = owner.get();
    if (xcb_connection_has_error(connection) != 0)
        return 1;
    const xcb_window_t window = xcb_generate_id(connection);
    xcb_create_window(connection, 0, window, xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root, 0, 0,
                      1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    const xcb_atom_t manager = Intern(connection, "CLIPBOARD_MANAGER");
    const xcb_atom_t saveTargets = Intern(connection, "SAVE_TARGETS");
    xcb_set_selection_owner(connection, window, manager, XCB_CURRENT_TIME);
    Intern(connection, "a round trip, after which the selection is ours");
    std::puts("managing");
    std::fflush(stdout);
    while (xcb_generic_event_t* event = xcb_wait_for_event(connection)) {
        if ((event->response_type & 0x7F) == XCB_SELECTION_REQUEST) {
            const auto& request = *reinterpret_cast<xcb_selection_request_event_t*>(event);
            if (request.target != saveTargets)
                Answer(connection, request, XCB_ATOM_NONE);
            else if (answers)
                Answer(connection, request, request.property);
        }
        std::free(event);
    }
    return 0;
}
