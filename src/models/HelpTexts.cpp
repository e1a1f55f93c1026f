#include "models/HelpTexts.h"

namespace zelt {

const char* HelpFileName(bool english) {
    return english ? "Solar_Help_English.chm" : "Solar_Help_Chinese.chm";
}

std::optional<HelpProblem> HelpOpenerProblem(int exitCode, bool crashed) {
    if (crashed) {
        return HelpProblem::ViewerFailed;
    }
    switch (exitCode) {
        case 0:
            return std::nullopt;
        case 2:
            return HelpProblem::Missing;
        case 3:
            return HelpProblem::NoViewer;
        default:
            return HelpProblem::ViewerFailed;
    }
}

std::string HelpProblemText(HelpProblem problem, const std::string& path, bool english) {
    if (problem == HelpProblem::Missing) {
        return (english ? "The help file is missing:\n" : "找不到說明檔:\n") + path;
    }
    if (problem == HelpProblem::ViewerFailed) {
        return (english ? "The help viewer ended with an error:\n" : "說明檢視程式異常結束:\n") +
               path;
    }
    return english ? "No program could open the help file:\n" + path +
                         "\nInstall xchm and xdg-utils to read it."
                   : "沒有程式能開啟說明檔:\n" + path + "\n請安裝 xchm 與 xdg-utils 以閱讀說明.";
}

}  // namespace zelt
