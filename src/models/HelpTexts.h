#pragma once
// The help file (after About, and on F1): which file opens, and what the user is told when
// the file cannot be shown. The window finds the executable's folder and starts the viewer.

#include <optional>
#include <string>

namespace zelt {

enum class HelpProblem {
    Missing,       // the file is not in the executable's folder
    NoViewer,      // the desktop has no program for it
    ViewerFailed,  // a viewer was started and ended with an error (or was killed)
};

// "Solar_Help_English.chm" or "Solar_Help_Chinese.chm", in the executable's folder.
const char* HelpFileName(bool english);

// What the desktop's opener (xdg-open) said by its exit: nothing wrong, or the problem. It
// exits 2 for a missing file, 3 when no program is known for the file, 4 when the program it
// ran failed; a viewer it waits for that is killed makes it fail too.
std::optional<HelpProblem> HelpOpenerProblem(int exitCode, bool crashed);

// The message that names the file and what is wrong.
std::string HelpProblemText(HelpProblem problem, const std::string& path, bool english);

}  // namespace zelt
