#pragma once
// hearth play: the scenario player, a headless user. It reads a scenario, one action a line,
// runs the application on a database and does each action through the desktop's gesture
// entry points, as the window and the tests do; it prints what the user would see, one line
// each, in order:
//   message TITLE | TEXT -> ANSWER     a message box and the button that answered it
//   status TEXT                        a text in the main window's status area
//   open WINDOW PARAMETER              a window or sheet opens
//   menu MENU X Y                      a menu pops up
//   select SQL                         a DataWindow retrieves with this statement
//   file PATH                          the program wrote a file
// and for `show`: tags ..., rows N, page DATAOBJECT ROW/COUNT, status TEXT, sort ORDER,
// items NAME=1|0 ..., dialog TITLE | EXTENSION | FILTER -> ANSWER, column NAME color=N
// alignment=N. Paths under the folder named by the environment variable HEARTH_PLAY_FILES are
// printed relative to it. grid ... (the columns and first rows of the page in front), window
// ... (the window in front). The toolbar's dialogs are modal: while one is open, the actions
// that follow go to it.
//
// A scenario: `#` starts a comment line; words are separated by blanks, and a word with
// blanks goes in double quotes; ${NAME} is replaced by the environment variable NAME.

#include "host/object/class_registry.h"
#include "host/value/result.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace hearth {

// One action of a scenario: the words of line `line`, quotes removed and variables replaced.
struct ScenarioAction {
    int line = 0;
    std::vector<std::string> words;
};

// The value of an environment variable; nullopt when it is not set.
using EnvLookup = std::function<std::optional<std::string>(const std::string& name)>;

// Splits a scenario's text into actions. Fails with "LINE: what is wrong" for a quote left
// open, a variable that is not set or an action the player does not know, or used with the
// wrong number of words.
Result<std::vector<ScenarioAction>> parse_scenario(std::string_view text, const EnvLookup& env);

class Desktop;

struct PlayOptions {
    std::filesystem::path scenario;                 // empty: no actions
    std::string db;                                 // a folder made by init-db, or a PostgreSQL connection string
    std::vector<std::filesystem::path> object_path; // where the DataWindow objects are
    // Runs after the last action, while the application still runs (the window, a
    // screenshot); its answer is the exit status.
    std::function<int(Desktop&)> finish;
};

// Plays the scenario on `registry` (which it fills with the host's, the library's and the
// application's classes), printing the transcript on `out`. Returns 0 when every action ran;
// 1 when the database cannot be opened, or at the first action that cannot be done, after
// writing "SCENARIO:LINE: why" to `err`.
int play(const PlayOptions& options, ClassRegistry& registry, std::ostream& out, std::ostream& err);

} // namespace hearth
