#include "app/HelpFile.h"

#include <QCoreApplication>
#include <QDir>

namespace zelt {

QString HelpFilePath(bool english) {
    return QDir(QCoreApplication::applicationDirPath())
        .filePath(QLatin1String(english ? "Solar_Help_English.chm" : "Solar_Help_Chinese.chm"));
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

QString HelpProblemText(HelpProblem problem, const QString& path, bool english) {
    if (problem == HelpProblem::Missing) {
        return (english ? QStringLiteral("The help file is missing:\n%1")
                        : QStringLiteral("找不到說明檔:\n%1"))
            .arg(path);
    }
    if (problem == HelpProblem::ViewerFailed) {
        return (english ? QStringLiteral("The help viewer ended with an error:\n%1")
                        : QStringLiteral("說明檢視程式異常結束:\n%1"))
            .arg(path);
    }
    return (english
                ? QStringLiteral("No program could open the help file:\n%1\nInstall xchm and "
                                 "xdg-utils to read it.")
                : QStringLiteral("沒有程式能開啟說明檔:\n%1\n請安裝 xchm 與 xdg-utils 以閱讀說明."))
        .arg(path);
}

}  // namespace zelt
