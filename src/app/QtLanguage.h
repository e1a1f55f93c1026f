#pragma once
// Qt's own texts (the file dialogs, the standard buttons of message boxes) in the program's
// language: Qt's Traditional Chinese catalogue is installed while the program runs in Chinese.

namespace zelt {

// Installs Qt's Traditional Chinese catalogue on the running application, or removes it for
// English. False when Chinese is asked for and the catalogue cannot be loaded: Qt's texts then
// stay English.
bool FollowLanguageInQtTexts(bool english);

}  // namespace zelt
