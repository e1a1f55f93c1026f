#include "config/MainApp.h"

namespace zelt {

std::string CMainApp::AppTitle(bool inEnglish) {
    return inEnglish ? "Tessaly Solar Controller Utility" : "Tessaly 太陽能控制器工具程式";
}

}  // namespace zelt
