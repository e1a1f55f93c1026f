#include "config/MainApp.h"

namespace zelt {

std::string CMainApp::AppTitle(bool inEnglish) {
    return inEnglish ? "ZELT Utility" : "ZELT 工具程式";
}

}  // namespace zelt
