#pragma once

#include <functional>
#include <string>

#include "base/Bilingual.h"
#include "config/MainApp.h"

namespace zelt {

// The filter of the configuration file dialogs, a name with its pattern.
inline constexpr Bilingual kCfgFileFilter{"CFG Files(*.cfg)", "設定檔(*.cfg)"};

// What the file commands need from the windows: the two file dialogs and the message box.
class ICfgFileUi {
  public:
    enum class MessageIcon { Stop, Information };

    virtual ~ICfgFileUi() = default;
    // The file-open dialog: no default extension, no initial name, read-only box hidden,
    // kCfgFileFilter, starting in the folder that *fullPath names on entry. False when the
    // user cancels.
    virtual bool ChooseFileToOpen(std::string* fullPath) = 0;
    // The file-save dialog: the same, and no overwrite prompt.
    virtual bool ChooseFileToSave(std::string* fullPath) = 0;
    virtual void ShowMessage(const std::string& text, const std::string& caption,
                             MessageIcon icon) = 0;
};

// The main window's steps around the file commands.
struct CfgCommandHooks {
    std::function<void()> collect;  // the collect step, before a save
    std::function<void()> refresh;  // the refresh step, after a successful open
    std::function<void()> repaint;  // repaint the parameter panel's controls
};

enum class FileDialogPurpose { Open, Save };

// The names a Save As gives: cfgFileName is the chosen title with ".cfg" whatever extension
// was typed; the full path gets ".cfg" only when the chosen name has no extension.
struct SaveAsNames {
    std::string fileName;
    std::string fullPath;
};
SaveAsNames SaveAsNaming(const std::string& chosenPath);

// The folder a file dialog starts in: cfgPath when that folder exists, otherwise the default
// configuration folder (DefaultCfgPath). A save creates the default folder when it is missing;
// an open that finds it missing starts in the folder above it.
std::string FileDialogFolder(const std::string& cfgPath, FileDialogPurpose purpose);

// cfgFileName after opening a file: its title and extension.
std::string OpenedFileName(const std::string& chosenPath);

// "Open config-file.", "Save as config-file" and the exit confirmation's save to the current
// file, on the application's record and names.
class CCfgCommands {
  public:
    CCfgCommands(CMainApp& app, ICfgFileUi& ui, CfgCommandHooks hooks)
        : app_(app), ui_(ui), hooks_(std::move(hooks)) {}

    // True when a file was loaded. A file that cannot be read whole or is not a configuration
    // file leaves the record and the names as they were and is reported. The dialogs start in
    // cfgPath, the folder of the last file opened or saved (see FileDialogFolder).
    bool OpenConfigFile();
    // The same for a file chosen elsewhere (the command line).
    bool OpenConfigFile(const std::string& path);
    // True when the record was stored; then savedToFile is 1.
    bool SaveConfigFileAs();
    // Stores to cfgFullPath when that file exists and can be opened for reading and writing,
    // with no message on success; otherwise runs Save As.
    bool SaveToCurrentFile();

  private:
    void Run(const std::function<void()>& hook) {
        if (hook) {
            hook();
        }
    }
    void ShowError(const std::string& text);
    bool Load(const std::string& path);
    // The names after a successful open or save; cfgPath follows to the file's folder.
    void TakeNames(const std::string& fileName, const std::string& fullPath);

    CMainApp& app_;
    ICfgFileUi& ui_;
    CfgCommandHooks hooks_;
};

}  // namespace zelt
