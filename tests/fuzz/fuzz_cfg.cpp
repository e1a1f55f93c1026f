// The .cfg loader: any file either loads whole or leaves the record as it was, the file path
// and the in-memory decoder agree, and a loaded record stores and loads back to itself.
#include <cstdlib>
#include <span>

#include "FuzzCheck.h"
#include "ScratchFile.h"
#include "config/CfgFile.h"

using zelt::fuzzing::Check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const zelt::fuzzing::ScratchFile file("zelt-fuzz-cfg");
    const std::span<const uint8_t> bytes(data, size);
    const zelt::CCfgDocument untouched;
    const std::vector<uint8_t> untouchedImage = zelt::EncodeCfg(untouched);

    zelt::CCfgDocument decoded;
    const zelt::CfgLoadResult fromMemory = zelt::DecodeCfg(bytes, decoded);
    file.Write(data, size);
    zelt::CCfgDocument loaded;
    const zelt::CfgLoadResult fromFile = zelt::LoadCfgFile(file.Path(), loaded);

    Check(fromMemory.status == fromFile.status);
    const std::vector<uint8_t> image = zelt::EncodeCfg(decoded);
    Check(image == zelt::EncodeCfg(loaded));
    if (!fromMemory.ok()) {
        Check(image == untouchedImage);  // all or nothing
        return 0;
    }
    Check(decoded.sectors.size() == static_cast<size_t>(fromMemory.sectorCount));
    Check(fromMemory.neededLength == zelt::kCfgFixedSize + 12 * decoded.sectors.size());

    zelt::CCfgDocument again;
    Check(zelt::DecodeCfg(image, again).ok());
    Check(zelt::EncodeCfg(again) == image);
    return 0;
}
