#pragma once
// The About command's help file: which file it opens, and what the user is told when the file
// cannot be shown.

#include <QString>

namespace zelt {

enum class HelpProblem {
    Missing,   // the file is not in the executable's folder
    NoViewer,  // the desktop has no program for it, or the program failed
};

// "Solar_Help_English.chm" or "Solar_Help_Chinese.chm" in the executable's folder.
QString HelpFilePath(bool english);

// The message that names the file and what is wrong.
QString HelpProblemText(HelpProblem problem, const QString& path, bool english);

}  // namespace zelt
