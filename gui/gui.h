#pragma once
// The Qt 6 front end of the host's desktop: a window that draws the open windows and forwards
// the user's gestures, the toolkit's dialogs, and screenshots on the offscreen platform. The
// library below never sees Qt; only the application's command starts it.

#include "host/ui/desktop.h"
#include "host/value/result.h"

#include <filesystem>
#include <functional>

namespace hearth::gui {

// Starts the toolkit once for the process. `offscreen` draws without a display (set before
// the first call; later calls change nothing).
void start_toolkit(bool offscreen);

// Writes a PNG of the desktop's windows, `width` x `height` pixels, as the window would show
// them, atomically (a temp file in the same folder renamed into place). Fails with why.
Result<void> write_screenshot(Desktop& desktop, const std::filesystem::path& file, int width, int height);

// Shows the desktop's windows with the toolkit's dialogs answering, until the user closes the
// window or no window is left. `when_none_open` runs whenever the last window has closed; it
// may open the next one and returns whether it did. Returns the exit status.
int run_window(Desktop& desktop, const std::function<bool()>& when_none_open);

} // namespace hearth::gui
