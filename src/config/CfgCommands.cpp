#include "config/CfgCommands.h"

#include "base/FileSystem.h"
#include "config/CfgFile.h"
#include "config/Settings.h"

namespace zelt {

namespace {

constexpr const char* kCfgExtension = ".cfg";

struct PathParts {
    std::string folderAndTitle;  // everything before the extension's dot
    std::string title;           // the file name without its extension
    std::string extension;       // without the dot; empty when there is none
};

// The extension is what follows the last dot of the file name; a leading dot (a hidden
// file) does not start one, and trailing dots give an empty extension.
PathParts SplitPath(const std::string& path) {
    const auto slash = path.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::string name = path.substr(nameStart);
    const auto dot = name.rfind('.');
    PathParts parts;
    if (dot == std::string::npos || dot == 0) {
        parts.folderAndTitle = path;
        parts.title = name;
        return parts;
    }
    parts.folderAndTitle = path.substr(0, nameStart + dot);
    parts.title = name.substr(0, dot);
    parts.extension = name.substr(dot + 1);
    return parts;
}

}  // namespace

SaveAsNames SaveAsNaming(const std::string& chosenPath) {
    const PathParts parts = SplitPath(chosenPath);
    SaveAsNames names;
    names.fileName = parts.title + kCfgExtension;
    names.fullPath = parts.extension.empty() ? parts.folderAndTitle + kCfgExtension : chosenPath;
    return names;
}

std::string FileDialogFolder(const std::string& cfgPath, FileDialogPurpose purpose) {
    if (IsFolder(cfgPath)) {
        return cfgPath;
    }
    const std::string folder = DefaultCfgPath();
    if (purpose == FileDialogPurpose::Save && !IsFolder(folder)) {
        // The default folder's parent is the home folder; a failure shows as the dialog
        // starting elsewhere, and the save itself then names any problem.
        (void)MakeFolder(folder);
    }
    if (IsFolder(folder)) {
        return folder;
    }
    const std::string withoutSlash = folder.substr(0, folder.find_last_not_of('/') + 1);
    return withoutSlash.substr(0, withoutSlash.rfind('/') + 1);
}

std::string OpenedFileName(const std::string& chosenPath) {
    const PathParts parts = SplitPath(chosenPath);
    return parts.extension.empty() ? parts.title : parts.title + "." + parts.extension;
}

void CCfgCommands::ShowError(const std::string& text) {
    ui_.ShowMessage(text, app_.Text("Error", "錯誤"), ICfgFileUi::MessageIcon::Stop);
}

void CCfgCommands::TakeNames(const std::string& fileName, const std::string& fullPath) {
    app_.cfgFileName = fileName;
    app_.cfgFullPath = fullPath;
    const auto slash = fullPath.rfind('/');
    if (slash != std::string::npos) {
        app_.cfgPath = fullPath.substr(0, slash + 1);
    }
}

bool CCfgCommands::Load(const std::string& path) {
    const CfgLoadResult result = LoadCfgFile(path, app_.config);
    if (!result.ok()) {
        ShowError(path + "\n" + CfgLoadProblemText(result, app_.english != 0));
        return false;
    }
    TakeNames(OpenedFileName(path), path);
    Run(hooks_.refresh);
    return true;
}

bool CCfgCommands::OpenConfigFile() {
    std::string path = FileDialogFolder(app_.cfgPath, FileDialogPurpose::Open);
    const bool loaded = ui_.ChooseFileToOpen(&path) && Load(path);
    Run(hooks_.repaint);
    return loaded;
}

bool CCfgCommands::OpenConfigFile(const std::string& path) {
    const bool loaded = Load(path);
    Run(hooks_.repaint);
    return loaded;
}

bool CCfgCommands::SaveConfigFileAs() {
    Run(hooks_.collect);
    std::string chosen = FileDialogFolder(app_.cfgPath, FileDialogPurpose::Save);
    if (!ui_.ChooseFileToSave(&chosen)) {
        return false;
    }
    const SaveAsNames names = SaveAsNaming(chosen);
    const CfgStoreResult result = StoreCfgFile(names.fullPath, app_.config);
    if (result.ok) {
        TakeNames(names.fileName, names.fullPath);
        ui_.ShowMessage(app_.Text("Save to ", "儲存檔案於 ") + app_.cfgFullPath +
                            app_.Text(" Successfully.", " 成功了."),
                        app_.Text("Save", "儲存"), ICfgFileUi::MessageIcon::Information);
        app_.savedToFile = 1;
    } else {
        ShowError(names.fullPath + "\n" + CfgStoreProblemText(result, app_.english != 0));
    }
    Run(hooks_.repaint);
    return result.ok;
}

bool CCfgCommands::SaveToCurrentFile() {
    Run(hooks_.collect);
    if (!OpensForReadAndWrite(app_.cfgFullPath)) {
        return SaveConfigFileAs();
    }
    const CfgStoreResult result = StoreCfgFile(app_.cfgFullPath, app_.config);
    if (!result.ok) {
        ShowError(app_.cfgFullPath + "\n" + CfgStoreProblemText(result, app_.english != 0));
    }
    return result.ok;
}

}  // namespace zelt
