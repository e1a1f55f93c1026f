// The settings reader: any file reads without harm, and reading, writing and reading again
// gives the same members (a value that only the second read sees would change the program's
// settings behind the technician's back after one save).
#include <cstdlib>
#include <string>

#include "FuzzCheck.h"
#include "ScratchFile.h"
#include "config/RegFile.h"
#include "config/Settings.h"

namespace {

using zelt::fuzzing::Check;

bool SameSettings(const zelt::CMainApp& a, const zelt::CMainApp& b) {
    return a.cfgPath == b.cfgPath && a.cfgFileName == b.cfgFileName &&
           a.cfgFullPath == b.cfgFullPath && a.comPort == b.comPort && a.commMode == b.commMode &&
           a.rs485Id == b.rs485Id && a.english == b.english && a.appTitle == b.appTitle;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const zelt::fuzzing::ScratchFile file("zelt-fuzz-settings");
    const std::string text(reinterpret_cast<const char*>(data), size);

    // The text form alone: what a read finds survives Text().
    const zelt::CRegFile parsed(text);
    const zelt::CRegFile reparsed(parsed.Text());
    for (const char* name :
         {"Cfg Path", "Cfg File Name", "COM Port", "English", "Communication Mode", "RS485 ID"}) {
        Check(parsed.Get(name) == reparsed.Get(name));
    }

    // The program's own read, save and read.
    file.Write(data, size);
    zelt::CMainApp first;
    zelt::ReadSettings(first, file.Path());
    Check(zelt::WriteSettings(first, file.Path()));
    zelt::CMainApp second;
    zelt::ReadSettings(second, file.Path());
    Check(SameSettings(first, second));
    return 0;
}
