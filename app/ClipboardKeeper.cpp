// bmp2cdata-clipboard: keeps a text on the X clipboard after the program
// that copied it has ended, until another program takes the clipboard over.
//   bmp2cdata-clipboard < INPUT
// INPUT is the text's length in bytes, in decimal, a line break, then the
// text. On X11 the clipboard is served by the program that copied: when it
// ends, the text is gone unless a clipboard manager saved it. Where none
// runs, the window hands its text to this small process as it closes.
//
// Reads the input to its end and, only if it holds the whole text, takes the
// CLIPBOARD selection, prints the id of the process that serves it and
// exits 0 once the selection is owned; it exits 1 if the text came cut short
// (its writer killed) or the selection could not be taken. The serving
// process has no window on screen, no terminal, no standard streams and no
// other descriptor of its starter's, and ends as soon as another program
// owns the clipboard or the X server goes away. Where a clipboard manager
// runs, the serving process asks it to save the text, and ends once the
// manager says it has; a manager that does not say so in time is taken to be
// hung, and the text is served here as if none ran.

#include <xcb/xcb.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <memory>
#include <optional>
#include <poll.h>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

// The fixed part of a ChangeProperty request, which the data shares the
// server's request size limit with.
constexpr std::size_t kChangePropertyHeaderBytes = 24;
// X protocol events travel in blocks of 32 bytes.
constexpr std::size_t kEventBytes = 32;
// How long a clipboard manager may take to fetch the text and say it saved
// it: a local one fetches the largest table in milliseconds, so one silent
// for two seconds is taken to be hung.
constexpr auto kManagerPatience = std::chrono::seconds(2);

using Clock = std::chrono::steady_clock;

std::string ReadAll(int descriptor)
{
    std::string text;
    char buffer[65536];
    for (ssize_t got; (got = read(descriptor, buffer, sizeof buffer)) != 0;) {
        if (got > 0)
            text.append(buffer, static_cast<std::size_t>(got));
        else if (errno != EINTR)
            break;
    }
    return text;
}

// The text the input carries, if it carries all of it: the byte count
// before the first line break must be the length of what follows.
std::optional<std::string> WholeText(const std::string& input)
{
    const std::size_t end = input.find('\n');
    if (end == std::string::npos)
        return std::nullopt;
    std::size_t length = 0;
    const auto [last, error] = std::from_chars(input.data(), input.data() + end, length);
    if (error != std::errc{} || last != input.data() + end || input.size() - end - 1 != length)
        return std::nullopt;
    return input.substr(end + 1);
}

// Closes every descriptor but the standard streams: one inherited from
// whoever started the window, such as a pipe a shell reads to its end,
// would be held open for as long as the text is served.
void CloseInheritedDescriptors()
{
    if (close_range(STDERR_FILENO + 1, ~0U, 0) == 0)
        return;
    const long most = sysconf(_SC_OPEN_MAX);
    for (long descriptor = STDERR_FILENO + 1; descriptor < (most > 0 ? most : 1024); ++descriptor)
        close(static_cast<int>(descriptor));
}

// The text as ISO 8859-1, which the STRING type requires; characters it
// cannot hold become question marks.
std::string Latin1From(const std::string& utf8)
{
    std::string latin1;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        if (length == 1)
            latin1 += static_cast<char>(lead);
        else if (length == 2 && lead <= 0xC3 && i + 1 < utf8.size())
            latin1 += static_cast<char>(((lead & 0x03) << 6) | (static_cast<unsigned char>(utf8[i + 1]) & 0x3F));
        else
            latin1 += '?';
        i += length;
    }
    return latin1;
}

xcb_atom_t Intern(xcb_connection_t* connection, const char* name)
{
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t atom = reply != nullptr ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
    return atom;
}

xcb_window_t SelectionOwner(xcb_connection_t* connection, xcb_atom_t selection)
{
    xcb_get_selection_owner_reply_t* reply =
        xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, selection), nullptr);
    const xcb_window_t owner = reply != nullptr ? reply->owner : xcb_window_t{XCB_WINDOW_NONE};
    std::free(reply);
    return owner;
}

// One answer too large for a single request, handed over in pieces: the
// requestor deletes the property to ask for the next one (the ICCCM's INCR).
struct Transfer {
    xcb_atom_t type;
    std::shared_ptr<const std::string> data;
    std::size_t sent = 0;
    bool ended = false;  // the closing empty piece has been written
};

class SelectionServer {
public:
    SelectionServer(xcb_connection_t* connection, const std::string& text);

    // Takes the clipboard; false when the server refused it.
    bool Own();
    // Asks the clipboard manager to save the text, answering its requests
    // meanwhile; true once it has said it did, within kManagerPatience.
    bool HandOver();
    // Answers requests for the text until another program takes the clipboard.
    void Serve();

private:
    // Handles an event of the serving kind; notes the clipboard's loss.
    void Handle(const xcb_generic_event_t& event);
    // The next event, or null once deadline has passed or the server has gone.
    xcb_generic_event_t* EventBefore(Clock::time_point deadline);
    void Answer(const xcb_selection_request_event_t& request);
    bool Store(xcb_window_t requestor, xcb_atom_t property, xcb_atom_t target);
    void Continue(const xcb_property_notify_event_t& notify);
    void Notify(const xcb_selection_request_event_t& request, xcb_atom_t property);
    xcb_timestamp_t ServerTime();

    xcb_connection_t* connection_;
    std::shared_ptr<const std::string> utf8_;
    std::shared_ptr<const std::string> latin1_;
    std::size_t largestPiece_;
    xcb_window_t window_ = XCB_WINDOW_NONE;
    xcb_timestamp_t ownedSince_ = XCB_CURRENT_TIME;
    bool owned_ = false;
    xcb_atom_t clipboard_, targets_, timestamp_, utf8String_, text_, plain_, plainUtf8_, incr_;
    std::map<std::pair<xcb_window_t, xcb_atom_t>, Transfer> transfers_;
};

SelectionServer::SelectionServer(xcb_connection_t* connection, const std::string& text)
    : connection_(connection),
      utf8_(std::make_shared<const std::string>(text)),
      latin1_(std::make_shared<const std::string>(Latin1From(text))),
      // The server's classic request limit: every requestor handles pieces
      // of that size without the BIG-REQUESTS extension.
      largestPiece_(std::size_t{xcb_get_setup(connection)->maximum_request_length} * 4 - kChangePropertyHeaderBytes),
      clipboard_(Intern(connection, "CLIPBOARD")),
      targets_(Intern(connection, "TARGETS")),
      timestamp_(Intern(connection, "TIMESTAMP")),
      utf8String_(Intern(connection, "UTF8_STRING")),
      text_(Intern(connection, "TEXT")),
      plain_(Intern(connection, "text/plain")),
      plainUtf8_(Intern(connection, "text/plain;charset=utf-8")),
      incr_(Intern(connection, "INCR"))
{
}

xcb_timestamp_t SelectionServer::ServerTime()
{
    // Owning a selection needs a real server time, which only an event
    // carries: a zero-length append to a property of our own makes one.
    xcb_change_property(connection_, XCB_PROP_MODE_APPEND, window_, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, 0, "");
    xcb_flush(connection_);
    while (xcb_generic_event_t* event = xcb_wait_for_event(connection_)) {
        const bool property = (event->response_type & 0x7F) == XCB_PROPERTY_NOTIFY;
        const xcb_timestamp_t time = property ? reinterpret_cast<xcb_property_notify_event_t*>(event)->time : 0;
        std::free(event);
        if (property)
            return time;
    }
    return XCB_CURRENT_TIME;
}

bool SelectionServer::Own()
{
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data;
    window_ = xcb_generate_id(connection_);
    // An input-only window that is never mapped: nothing appears on screen.
    const std::uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(connection_, 0, window_, screen->root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                      XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &events);
    ownedSince_ = ServerTime();
    if (ownedSince_ == XCB_CURRENT_TIME)
        return false;
    xcb_set_selection_owner(connection_, window_, clipboard_, ownedSince_);
    owned_ = SelectionOwner(connection_, clipboard_) == window_;
    return owned_;
}

bool SelectionServer::HandOver()
{
    const xcb_atom_t manager = Intern(connection_, "CLIPBOARD_MANAGER");
    if (SelectionOwner(connection_, manager) == XCB_WINDOW_NONE)
        return false;
    // Our window has no property of that name: the manager saves every target.
    const xcb_atom_t saveTargets = Intern(connection_, "SAVE_TARGETS");
    xcb_convert_selection(connection_, window_, manager, saveTargets, saveTargets, ownedSince_);
    xcb_flush(connection_);
    const Clock::time_point deadline = Clock::now() + kManagerPatience;
    while (owned_) {
        xcb_generic_event_t* event = EventBefore(deadline);
        if (event == nullptr)
            return false;
        const auto* answer = reinterpret_cast<const xcb_selection_notify_event_t*>(event);
        const bool answered = (event->response_type & 0x7F) == XCB_SELECTION_NOTIFY && answer->selection == manager;
        const bool saved = answered && answer->property != XCB_ATOM_NONE;
        if (!answered)
            Handle(*event);
        std::free(event);
        if (answered)
            return saved;
    }
    return false;
}

xcb_generic_event_t* SelectionServer::EventBefore(Clock::time_point deadline)
{
    pollfd server{xcb_get_file_descriptor(connection_), POLLIN, 0};
    for (;;) {
        if (xcb_generic_event_t* event = xcb_poll_for_event(connection_))
            return event;
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0 || xcb_connection_has_error(connection_) != 0)
            return nullptr;
        poll(&server, 1, static_cast<int>(left));
    }
}

void SelectionServer::Serve()
{
    while (owned_) {
        xcb_generic_event_t* event = xcb_wait_for_event(connection_);
        if (event == nullptr)
            return;
        Handle(*event);
        std::free(event);
    }
}

void SelectionServer::Handle(const xcb_generic_event_t& event)
{
    const std::uint8_t type = event.response_type & 0x7F;
    if (type == XCB_SELECTION_REQUEST)
        Answer(reinterpret_cast<const xcb_selection_request_event_t&>(event));
    else if (type == XCB_PROPERTY_NOTIFY)
        Continue(reinterpret_cast<const xcb_property_notify_event_t&>(event));
    else if (type == XCB_SELECTION_CLEAR)
        owned_ = false;
    xcb_flush(connection_);
}

void SelectionServer::Answer(const xcb_selection_request_event_t& request)
{
    // Obsolete requestors name no property; the target's name serves.
    const xcb_atom_t property = request.property != XCB_ATOM_NONE ? request.property : request.target;
    const bool current = request.time == XCB_CURRENT_TIME || request.time >= ownedSince_;
    const bool stored = current && request.selection == clipboard_ && Store(request.requestor, property, request.target);
    Notify(request, stored ? property : xcb_atom_t{XCB_ATOM_NONE});
}

bool SelectionServer::Store(xcb_window_t requestor, xcb_atom_t property, xcb_atom_t target)
{
    if (target == targets_) {
        const xcb_atom_t offered[] = {targets_, timestamp_, utf8String_, plainUtf8_, XCB_ATOM_STRING, text_, plain_};
        xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, requestor, property, XCB_ATOM_ATOM, 32,
                            std::size(offered), offered);
        return true;
    }
    if (target == timestamp_) {
        xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, requestor, property, XCB_ATOM_INTEGER, 32, 1,
                            &ownedSince_);
        return true;
    }
    const bool unicode = target == utf8String_ || target == plainUtf8_;
    if (!unicode && target != XCB_ATOM_STRING && target != text_ && target != plain_)
        return false;
    const xcb_atom_t type = target == text_ ? xcb_atom_t{XCB_ATOM_STRING} : target;
    const std::shared_ptr<const std::string>& data = unicode ? utf8_ : latin1_;
    if (data->size() <= largestPiece_) {
        xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, requestor, property, type, 8,
                            static_cast<std::uint32_t>(data->size()), data->data());
        return true;
    }
    // Announce the size, then wait for the requestor to delete the property.
    const auto size = static_cast<std::uint32_t>(data->size());
    const std::uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(connection_, requestor, XCB_CW_EVENT_MASK, &events);
    xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, requestor, property, incr_, 32, 1, &size);
    transfers_[{requestor, property}] = Transfer{type, data};
    return true;
}

void SelectionServer::Continue(const xcb_property_notify_event_t& notify)
{
    const auto found = transfers_.find({notify.window, notify.atom});
    if (notify.state != XCB_PROPERTY_DELETE || found == transfers_.end())
        return;
    Transfer& transfer = found->second;
    if (transfer.ended) {
        transfers_.erase(found);
        return;
    }
    // The last piece is empty: it tells the requestor the text is complete.
    const std::size_t piece = std::min(largestPiece_, transfer.data->size() - transfer.sent);
    xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, notify.window, notify.atom, transfer.type, 8,
                        static_cast<std::uint32_t>(piece), transfer.data->data() + transfer.sent);
    transfer.sent += piece;
    transfer.ended = piece == 0;
}

void SelectionServer::Notify(const xcb_selection_request_event_t& request, xcb_atom_t property)
{
    xcb_selection_notify_event_t notify{};
    notify.response_type = XCB_SELECTION_NOTIFY;
    notify.time = request.time;
    notify.requestor = request.requestor;
    notify.selection = request.selection;
    notify.target = request.target;
    notify.property = property;
    char event[kEventBytes] = {};
    std::memcpy(event, &notify, sizeof notify);
    xcb_send_event(connection_, 0, request.requestor, XCB_EVENT_MASK_NO_EVENT, event);
}

// Leaves the terminal and the starter's streams, so that nothing waits on
// the serving process and no signal of the starter's session reaches it.
void Detach()
{
    setsid();
    if (chdir("/") != 0)
        return;
    const int nothing = open("/dev/null", O_RDWR);
    for (int stream : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO})
        dup2(nothing, stream);
    if (nothing > STDERR_FILENO)
        close(nothing);
}

// What the serving process reports to its starter.
constexpr char kServing = 'S';

using Connection = std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)>;

// The serving process: takes the clipboard, reports on the pipe, then leaves
// the text to a clipboard manager that saves it or serves it itself.
int ServeText(const std::string& text, int report)
{
    const Connection connection(xcb_connect(nullptr, nullptr), &xcb_disconnect);
    if (xcb_connection_has_error(connection.get()) != 0)
        return 1;
    SelectionServer server(connection.get(), text);
    if (!server.Own())
        return 1;
    Detach();
    if (write(report, &kServing, 1) != 1)
        return 1;
    close(report);
    if (!server.HandOver())
        server.Serve();
    return 0;
}

}  // namespace

int main()
{
    CloseInheritedDescriptors();
    const std::optional<std::string> text = WholeText(ReadAll(STDIN_FILENO));
    if (!text)
        return 1;
    int report[2];
    if (pipe(report) != 0)
        return 1;
    const pid_t server = fork();
    if (server < 0)
        return 1;
    if (server == 0) {
        close(report[0]);
        return ServeText(*text, report[1]);
    }
    // The starter ends once the text is served, or once serving failed.
    close(report[1]);
    char outcome = 0;
    if (read(report[0], &outcome, 1) != 1)
        return 1;
    if (outcome == kServing)
        std::printf("%d\n", static_cast<int>(server));
    return 0;
}
