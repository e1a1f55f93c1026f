#pragma once
// The help file's place: models/HelpTexts.h names it, the executable's folder holds it.

#include <QString>

#include "models/HelpTexts.h"

namespace zelt {

QString HelpFilePath(bool english);

}  // namespace zelt
