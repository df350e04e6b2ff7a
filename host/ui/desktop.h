#pragma once
// The headless desktop: the session object of the user interface. It opens and closes
// windows, keeps the focus and the active sheets, records what a person would see (message
// boxes, file dialogs, popped menus, the pointer) and answers dialogs from a scripted user;
// its gesture entry points (press, release, move, double-click, keys, typing) are what the Qt
// front end calls, and what tests call. Every event goes through Runtime::dispatch.
//
// One desktop is current at a time (the last one constructed that is still alive); controls
// and menus reach it through Desktop::current() to raise their events. Without a current
// desktop the controls raise nothing.
//
// Coordinates: gesture positions over a DataWindow control are in the DataWindow object's
// units (what Describe answers for x, y, width, height), relative to the control's top-left
// corner; the events get these same numbers as xpos and ypos. Over other controls they are
// layout units relative to the control. The front end converts pixels before calling.

#include "host/datawindow/library.h"
#include "host/object/runtime.h"
#include "host/ui/notifications.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hearth {

class DataWindowControl;
class Menu;
class Window;

// ---- Dialog vocabulary ------------------------------------------------------------------------

enum class Icon : std::uint8_t { Information, StopSign, Exclamation, Question, None };
enum class Buttons : std::uint8_t { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel, AbortRetryIgnore };
// "Question!", "YesNo!" ... as the runtime spells them.
std::string_view icon_name(Icon icon);
std::string_view buttons_name(Buttons buttons);
// How many buttons a button set has (1 to 3).
int button_count(Buttons buttons);

// Mouse pointers (SetPointer).
enum class Pointer : std::uint8_t {
    Arrow,
    Cross,
    HourGlass,
    IBeam,
    Icon,
    Size,
    SizeNESW,
    SizeNS,
    SizeNWSE,
    SizeWE,
    UpArrow
};

// keyflags of key and mouse events.
inline constexpr std::uint32_t key_shift = 1;
inline constexpr std::uint32_t key_ctrl = 2;
// flags of mouse events: the left button is down.
inline constexpr std::uint32_t mouse_left_button = 1;
// Key codes the host acts on.
inline constexpr std::int32_t key_tab = 9;
inline constexpr std::int32_t key_enter = 13;
// Window messages Send understands.
inline constexpr std::int32_t wm_keydown = 256;

// A message box as the user saw it, with the button position answered.
struct MessageBoxRecord {
    std::string title;
    std::string text;
    Icon icon = Icon::Information;
    Buttons buttons = Buttons::Ok;
    int default_button = 1;
    int answer = 1;
};

// What the scripted user does in the next file dialog.
struct FileAnswer {
    enum class Kind : std::uint8_t { Chosen, Cancel, Error };
    Kind kind = Kind::Cancel;
    std::string path; // for Chosen: the full path typed or picked

    static FileAnswer chosen(std::string path) { return {Kind::Chosen, std::move(path)}; }
    static FileAnswer cancel() { return {Kind::Cancel, {}}; }
    static FileAnswer error() { return {Kind::Error, {}}; }
};

// A file dialog as the user saw it, with its result (1 chosen, 0 cancelled, -1 error).
struct FileDialogRecord {
    std::string title;
    std::string pathname; // the default path passed in
    std::string extension;
    std::string filter;
    std::string initdir;
    int result = 0;
    std::string chosen; // full path returned, "" unless result is 1
};

// A colour dialog (ChooseColor) as the user saw it: the colour it opened with, and its result
// (1 chosen, 0 cancelled) with the colour chosen.
struct ColorDialogRecord {
    std::int32_t initial = 0;
    int result = 0;
    std::int32_t chosen = 0;
};

// The print dialog as the user saw it: the printer it offered, its result (1 confirmed, 0
// cancelled) and the printer chosen.
struct PrintDialogRecord {
    std::string offered;
    int result = 0;
    std::string chosen;
};

// What the user sets in the page setup dialog: a paper (DMPAPER code), an orientation (1
// portrait, 2 landscape) and the margins in hundredths of a millimetre.
struct PageSetupChoice {
    std::int16_t paper = 0;
    std::int16_t orientation = 1;
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
};

// The page setup dialog as the user saw it: the printer and the settings it opened with, its
// result (1 confirmed, 0 cancelled) and the settings chosen.
struct PageSetupDialogRecord {
    std::string printer;
    PageSetupChoice initial;
    int result = 0;
    PageSetupChoice chosen;
};

// A dialog asking for one line of text, as the user saw it, with its result (1 entered, 0
// cancelled) and the text entered.
struct TextDialogRecord {
    std::string title;
    std::string prompt;
    int result = 0;
    std::string text;
};

// A PopMenu: the menu shown, where, and over which window.
struct PoppedMenu {
    std::shared_ptr<Menu> menu;
    std::string name;
    std::int32_t x = 0;
    std::int32_t y = 0;
    ObjectRef window;
};

// A message sent with Send, as the receiving window saw it.
struct SentMessage {
    std::int32_t handle = 0;
    std::int32_t message = 0;
    std::int64_t word = 0;
    std::int64_t long_parm = 0;
};

// What lies under a position of a DataWindow control.
struct DwHit {
    long row = 0;     // the detail row, 0 outside the detail rows
    std::string name; // the object's name, "datawindow" over no object
    std::string band; // header, detail, summary, footer
    std::string type; // the object's Type ("column", "text", "bitmap" ...), "datawindow"
    int column = 0;   // the table column of a column object, else 0
};

// What a person sees, as it happens, for a running transcript (the scenario player prints
// one). The records of the desktop keep the same things for tests to inspect afterwards.
class DesktopObserver {
public:
    virtual ~DesktopObserver() = default;
    // A message box, with the button that answered it.
    virtual void message_box(const MessageBoxRecord& box) { (void)box; }
    // A window or sheet of class `class_name` opens; `parameter` is what OpenWithParm passed,
    // as text ("" without one).
    virtual void window_opened(const std::string& class_name, const std::string& parameter)
    {
        (void)class_name;
        (void)parameter;
    }
    virtual void menu_popped(const PoppedMenu& menu) { (void)menu; }
    // A text shown in the main window's status area.
    virtual void status_shown(const std::string& text) { (void)text; }
    // A DataWindow retrieves with this SELECT.
    virtual void retrieving(const std::string& select) { (void)select; }
    // The program wrote a file for the user (an export).
    virtual void file_written(const std::string& path) { (void)path; }
    // A colour dialog or a text dialog, with what the user answered.
    virtual void color_dialog(const ColorDialogRecord& dialog) { (void)dialog; }
    virtual void text_dialog(const TextDialogRecord& dialog) { (void)dialog; }
    // The print and page setup dialogs, with what the user answered.
    virtual void print_dialog(const PrintDialogRecord& dialog) { (void)dialog; }
    virtual void page_setup_dialog(const PageSetupDialogRecord& dialog) { (void)dialog; }
};

// The window toolkit's dialogs, when a person sits at the screen: the front end answers
// message boxes and file, colour and text dialogs instead of the scripted user's queues. The
// desktop still records every dialog with its answer.
class DesktopFrontEnd {
public:
    virtual ~DesktopFrontEnd() = default;
    // The button position pressed (1 to button_count(box.buttons)).
    virtual int message_box(const MessageBoxRecord& box) = 0;
    // The file chosen, or a cancel; `dialog` holds the title, default path, extension, filter
    // and folder.
    virtual FileAnswer file_save_name(const FileDialogRecord& dialog) = 0;
    // The colour chosen, or nullopt for a cancel.
    virtual std::optional<std::int32_t> choose_color(std::int32_t initial) = 0;
    // The text entered, or nullopt for a cancel.
    virtual std::optional<std::string> ask_text(const std::string& title, const std::string& prompt,
                                                const std::string& text)
        = 0;
};

class Desktop {
public:
    // A desktop driving `runtime`, finding DataWindow objects in `library`. Becomes current.
    // Gives the runtime a message object when it has none: the global `message` always exists.
    explicit Desktop(Runtime& runtime, dw::ObjectLibrary library = {});
    // The previous desktop becomes current again. Open windows stay to the runtime.
    ~Desktop();
    Desktop(const Desktop&) = delete;
    Desktop& operator=(const Desktop&) = delete;

    // The current desktop; nullptr when none is alive.
    static Desktop* current();

    Runtime& runtime() { return m_runtime; }
    dw::ObjectLibrary& object_library() { return m_library; }

    // Raises the notification's event on `target` with `args` through the runtime. A target
    // whose class does not declare the event gets nothing (outcome Invalid, no error).
    DispatchResult raise(const ObjectRef& target, Notification notification, std::vector<Value>& args);
    DispatchResult raise(const ObjectRef& target, Notification notification, std::vector<Value>&& args = {})
    {
        return raise(target, notification, args);
    }
    // A dwobject for an event's `dwo` argument; the caller destroys it after the event.
    ObjectRef make_dwobject(std::string_view name, std::string_view band, std::string_view type);

    // The transcript that follows what the user sees; nullptr (the default) for none. The
    // observer must outlive its use.
    void set_observer(DesktopObserver* observer) { m_observer = observer; }
    // The main window shows a status text (its wf_setstatus calls this).
    void show_status(const std::string& text);
    const std::vector<std::string>& status_texts() const { return m_status_texts; }
    // A DataWindow is about to retrieve with `select` (DataWindowBase::retrieve calls this).
    void note_retrieve(const std::string& select);
    // A file was written for the user.
    void note_file_written(const std::string& path);

    // The toolkit's dialogs answer from now on; nullptr (the default) gives the answers back
    // to the scripted user's queues. The front end must outlive its use.
    void set_front_end(DesktopFrontEnd* front_end) { m_front_end = front_end; }
    DesktopFrontEnd* front_end() const { return m_front_end; }

    // ---- Windows (desktop_windows.cpp) --------------------------------------------------------
    // Open(window, {parent}): opens a window of class `class_name` into `window`; when
    // `window` already holds an open window of that class, activates it instead. Runs the
    // window's create, its controls' constructors and its open event; a response window is
    // then handed to the scripted user (set_response_handler), and stays open when there is
    // none, for the caller to act on. 1, or -1 for an unknown class
    // or a class that is no window.
    std::int32_t open(ObjectRef& window, std::string_view class_name, const ObjectRef& parent = {});
    // OpenWithParm(window, parm, {parent}): as open, with `parm` stored in the message object
    // first (string -> StringParm, number -> DoubleParm, object -> PowerObjectParm).
    std::int32_t open_with_parm(ObjectRef& window, const Value& parm, std::string_view class_name,
                                const ObjectRef& parent = {});
    // OpenSheet: opens the window as a sheet of `frame` and makes it the frame's active sheet.
    std::int32_t open_sheet(ObjectRef& sheet, std::string_view class_name, const ObjectRef& frame);
    std::int32_t open_sheet_with_parm(ObjectRef& sheet, const Value& parm, std::string_view class_name,
                                      const ObjectRef& frame);
    // Close(window): closes the windows it owns, then destroys it. 1, or -1 when `window` is no
    // open window.
    std::int32_t close(const ObjectRef& window);
    // CloseWithReturn(window, value): stores value in the message object as OpenWithParm does,
    // then closes.
    std::int32_t close_with_return(const ObjectRef& window, const Value& value);
    // Makes an open window (or sheet) the active one.
    void activate(const ObjectRef& window);
    // The user resizes a window to `width` x `height` layout units (its client area): the
    // window takes the size, then gets its resize event (0, newwidth, newheight) when its class
    // has one. Sizes below 1 become 1.
    void resize_window(const ObjectRef& window, std::int32_t width, std::int32_t height);
    // GetActiveSheet(): the active sheet of `frame`; invalid when it has none.
    ObjectRef get_active_sheet(const ObjectRef& frame) const;
    // The open windows, oldest first; the active one is back().
    std::vector<ObjectRef> windows() const;
    // The window that holds a control (the control itself when it is a window).
    static Window* window_of(Object* object);
    // The scripted user of response windows of a class: runs inside Open after the open
    // event, as the modal loop would; it usually closes the window with close_with_return.
    // An empty handler removes the class's handler.
    using ResponseHandler = std::function<void(Desktop&, const ObjectRef& window)>;
    void set_response_handler(std::string_view class_name, ResponseHandler handler);

    // ---- Menus --------------------------------------------------------------------------------
    // Called by Menu::pop_menu: records the menu over the active window. Returns 1.
    std::int32_t record_pop_menu(std::shared_ptr<Menu> menu, std::int32_t x, std::int32_t y);
    const std::vector<PoppedMenu>& popped_menus() const { return m_popped; }

    // ---- Dialogs (desktop_dialogs.cpp) --------------------------------------------------------
    // MessageBox(title, text {, icon {, buttons {, default}}}): records the box and answers
    // the next scripted answer, or the default button when none is queued. The text may be a
    // string, a number or a boolean. Any null argument: null, and no box is shown. A default
    // beyond the button count falls back to 1; a scripted answer outside the buttons gives -1.
    Value message_box(const Value& title, const Value& text, Icon icon = Icon::Information,
                      Buttons buttons = Buttons::Ok, const Value& default_button = Value(1));
    // Queues the button position the scripted user presses in the next message box.
    void answer_message_box(int button) { m_box_answers.push_back(button); }
    const std::vector<MessageBoxRecord>& message_boxes() const { return m_boxes; }
    std::size_t pending_box_answers() const { return m_box_answers.size(); }

    // GetFileSaveName(title, ref pathname, ref filename {, extension {, filter {, initdir}}}):
    // records the dialog and answers from the scripted user; with nothing queued the user
    // cancels. Chosen: pathname gets the full path (with `extension` appended when the chosen
    // name has none), filename the name alone, and 1. Cancel: 0, error: -1, both leaving the
    // references as they were. Any null argument: null and no dialog.
    Value get_file_save_name(const Value& title, std::string& pathname, std::string& filename,
                             const Value& extension = Value(""), const Value& filter = Value(""),
                             const Value& initdir = Value(""));
    void answer_file_dialog(FileAnswer answer) { m_file_answers.push_back(std::move(answer)); }
    const std::vector<FileDialogRecord>& file_dialogs() const { return m_file_dialogs; }

    // ChooseColor(ref color): records the dialog and answers the next scripted colour; with
    // nothing queued the user cancels. 1 with `color` set to the colour chosen, or 0 leaving
    // it as it was.
    int choose_color(std::int32_t& color);
    // Queues the scripted user's next colour dialog: a colour, or nullopt to cancel.
    void answer_color_dialog(std::optional<std::int32_t> color) { m_color_answers.push_back(color); }
    const std::vector<ColorDialogRecord>& color_dialogs() const { return m_color_dialogs; }

    // Asks for one line of text under `title` with `prompt`: records the dialog and answers
    // the next scripted text; with nothing queued the user cancels. 1 with `text` set to what
    // was entered, or 0 leaving it as it was.
    int ask_text(const std::string& title, const std::string& prompt, std::string& text);
    // Queues the scripted user's next text dialog: a text, or nullopt to cancel.
    void answer_text_dialog(std::optional<std::string> text) { m_text_answers.push_back(std::move(text)); }
    const std::vector<TextDialogRecord>& text_dialogs() const { return m_text_dialogs; }

    // The print dialog, offering `printer` (the default printer): records it and answers the
    // next scripted printer ("" keeps the one offered); with nothing queued the user cancels.
    // 1 with `chosen` set, or 0.
    int print_dialog(const std::string& printer, std::string& chosen);
    // Queues the scripted user's next print dialog: a printer name, or nullopt to cancel.
    void answer_print_dialog(std::optional<std::string> printer) { m_print_answers.push_back(std::move(printer)); }
    const std::vector<PrintDialogRecord>& print_dialogs() const { return m_print_dialogs; }

    // The page setup dialog for `printer`, opening with `choice`: records it and answers the
    // next scripted settings; with nothing queued the user cancels. 1 with `choice` set to what
    // was chosen, or 0 leaving it as it was.
    int page_setup_dialog(const std::string& printer, PageSetupChoice& choice);
    // Queues the scripted user's next page setup dialog: the settings, or nullopt to cancel.
    void answer_page_setup_dialog(std::optional<PageSetupChoice> choice) { m_page_setup_answers.push_back(choice); }
    const std::vector<PageSetupDialogRecord>& page_setup_dialogs() const { return m_page_setup_dialogs; }

    // SetPointer(pointer): returns the pointer in force before. The pointer reverts to the
    // arrow when the outermost script ends (outside any script nothing holds it).
    Pointer set_pointer(Pointer pointer);
    // The pointer in force now. The desktop cannot see a script end that it did not start:
    // between two scripts run directly through the runtime, with no desktop call between
    // them, the first one's pointer is still reported.
    Pointer pointer() const;
    // Every pointer set, in order.
    const std::vector<Pointer>& pointer_history() const { return m_pointer_history; }

    // PointerX()/PointerY() of an object: the pointer's distance from the object's left/top,
    // from the last gesture's position. -1 for an invalid object.
    std::int32_t pointer_x(const ObjectRef& object) const;
    std::int32_t pointer_y(const ObjectRef& object) const;

    // ---- Focus, handles and keys (desktop_focus.cpp) ------------------------------------------
    // The control with the focus; invalid when none.
    const ObjectRef& focus() const { return m_focus; }
    // SetFocus(control): raises losefocus on the control that had it. 1, or -1 for an invalid,
    // hidden or disabled control or one that cannot take the focus.
    std::int32_t set_focus(const ObjectRef& control);
    // Handle(object): the object's window handle, made on first use; 0 for an invalid object.
    std::int32_t handle(const ObjectRef& object);
    // The object a handle stands for; invalid when none.
    ObjectRef object_of_handle(std::int32_t handle) const;
    // Send(handle, message, word, long): 256 (key down) delivers the key `word` to the
    // handle's control as a key press would. Returns 0, as the window procedure does; -1 for
    // an unknown handle.
    std::int32_t send(std::int32_t handle, std::int32_t message, std::int64_t word, std::int64_t long_parm);
    const std::vector<SentMessage>& sent_messages() const { return m_sent; }
    // A key pressed by the user: goes to the control with the focus. A DataWindow control
    // gets ue_dwnkey(key, keyflags), others ue_keydown(key, keyflags); then the host's own
    // handling: Tab moves to the next field (Shift+Tab to the previous), Enter in a DataWindow
    // raises the Enter event (pbm_dwnprocessenter) and, unless that returned 1, accepts the
    // edit; in a multi-line edit Enter without Ctrl starts a new line instead.
    void key_down(std::int32_t key, std::uint32_t keyflags = 0);
    // The user types text into the current cell of the DataWindow control with the focus
    // (replacing the edit's text). 1, or -1 when no DataWindow has the focus or it has no
    // current cell.
    std::int32_t type_text(std::string_view text);

    // ---- Mouse (desktop_mouse.cpp) ------------------------------------------------------------
    // What lies under x, y of a DataWindow control (coordinates as the file comment says).
    static DwHit hit_test(DataWindowControl& dw, std::int32_t x, std::int32_t y);
    // The left button goes down over a control: a DataWindow takes the focus, raises
    // clicked(xpos, ypos, row, dwo) and then, unless clicked returned 1, moves its current row
    // and column to the cell hit (accepting a pending edit first); other controls raise
    // ue_lbuttondown(flags, xpos, ypos). Hidden or disabled controls get nothing.
    void mouse_down(const ObjectRef& target, std::int32_t x, std::int32_t y, std::uint32_t flags = mouse_left_button);
    // The left button comes up: ue_dwnlbuttonup(xpos, ypos, row, dwo) on a DataWindow,
    // ue_lbuttonup(flags, xpos, ypos) on others; over a command button also clicked().
    void mouse_up(const ObjectRef& target, std::int32_t x, std::int32_t y, std::uint32_t flags = 0);
    // The pointer moves over a control: its own ue_mousemove(flags, xpos, ypos) first, then on
    // a DataWindow ue_dwnmousemove(xpos, ypos, row, dwo).
    void mouse_move(const ObjectRef& target, std::int32_t x, std::int32_t y, std::uint32_t flags = 0);
    // A double-click, as the window system delivers it: press (clicked ...), release, the
    // double-click message (doubleclicked(xpos, ypos, row, dwo)), release. The second press
    // raises no clicked.
    void double_click(const ObjectRef& target, std::int32_t x, std::int32_t y);
    // The second half of a double-click alone: the double-click message and its release. For a
    // front end whose toolkit has already delivered the first press and release as a click.
    void double_click_message(const ObjectRef& target, std::int32_t x, std::int32_t y);
    // A click in the middle of a command button (press, then release over it). 1 when the
    // button took it; -1 for no button, or one hidden or disabled.
    std::int32_t click_button(const ObjectRef& button);
    // The right button goes down: rbuttondown(xpos, ypos, row, dwo) on a DataWindow.
    void right_down(const ObjectRef& target, std::int32_t x, std::int32_t y);
    // The user moves a window to x, y: ue_move(xpos, ypos).
    void move_window(const ObjectRef& window, std::int32_t x, std::int32_t y);
    // The user clicks tab `index` of a tab control: clicked(index), then SelectTab(index).
    void click_tab(const ObjectRef& tab, std::int32_t index);

private:
    struct OpenWindow {
        ObjectRef window;
        ObjectRef frame; // for a sheet: its frame
        // The control that had the focus when the window opened; it takes the focus back when
        // the window closes, as the window system reactivates the window beneath.
        ObjectRef focus_before;
    };
    struct PointerPosition {
        ObjectRef object;
        std::int32_t x = 0;
        std::int32_t y = 0;
    };

    std::int32_t open_window(ObjectRef& window, std::string_view class_name, const ObjectRef& parent,
                             const ObjectRef& frame, const Value* parm);
    void set_message_parm(const Value& parm);
    // Runs the events posted during a gesture once no script runs any more.
    void settle();
    void note_pointer(const ObjectRef& object, std::int32_t x, std::int32_t y);
    void deliver_key(const ObjectRef& target, std::int32_t key, std::uint32_t keyflags);
    // Moves to the next (or previous) field of a DataWindow by TabSequence.
    void next_field(DataWindowControl& dw, bool backwards);
    // Moves the focus to the next (or previous) control of the window by taborder.
    void next_control(const ObjectRef& from, bool backwards);
    DispatchResult raise_dw(DataWindowControl& dw, Notification notification, std::int32_t x, std::int32_t y);

    Runtime& m_runtime;
    dw::ObjectLibrary m_library;
    Desktop* m_previous = nullptr;
    DesktopObserver* m_observer = nullptr;
    DesktopFrontEnd* m_front_end = nullptr;
    std::vector<std::string> m_status_texts;

    std::vector<OpenWindow> m_windows; // activation order, the active one last
    std::map<std::string, ResponseHandler> m_response_handlers;
    std::vector<PoppedMenu> m_popped;

    std::vector<MessageBoxRecord> m_boxes;
    std::deque<int> m_box_answers;
    std::vector<FileDialogRecord> m_file_dialogs;
    std::deque<FileAnswer> m_file_answers;
    std::vector<ColorDialogRecord> m_color_dialogs;
    std::deque<std::optional<std::int32_t>> m_color_answers;
    std::vector<TextDialogRecord> m_text_dialogs;
    std::deque<std::optional<std::string>> m_text_answers;
    std::vector<PrintDialogRecord> m_print_dialogs;
    std::deque<std::optional<std::string>> m_print_answers;
    std::vector<PageSetupDialogRecord> m_page_setup_dialogs;
    std::deque<std::optional<PageSetupChoice>> m_page_setup_answers;
    mutable Pointer m_pointer = Pointer::Arrow;
    std::vector<Pointer> m_pointer_history;
    PointerPosition m_pointer_position;

    ObjectRef m_focus;
    std::vector<std::pair<std::int32_t, ObjectRef>> m_handles;
    std::int32_t m_next_handle = 0x10010;
    std::vector<SentMessage> m_sent;
};

} // namespace hearth
