#pragma once
// zeltctl as a separate process, run in a scratch folder with its output kept.

#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "support/TestEnv.h"

namespace zelt::testing {

struct ToolRun {
    int status = -1;
    std::string out, err;
};

// Runs "zeltctl ARGS" inside the folder with an empty standard input; a "2>" in args sends
// standard error elsewhere. A tool killed by a signal gives 128 plus the signal.
inline ToolRun RunZeltctl(const ScratchFolder& folder, const std::string& args) {
    const int raw = std::system(("cd '" + folder.path.string() +
                                 "' && '" ZELTCTL_PATH "' </dev/null >out.txt 2>err.txt " + args)
                                    .c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw),
            ReadText(folder.File("out.txt")), ReadText(folder.File("err.txt"))};
}

}  // namespace zelt::testing
