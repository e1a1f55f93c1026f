#pragma once
// After "Set Parameters": does what a read-all brings back match what was sent?
// Each value is compared with what the wire can carry of it (10-bit voltage words, levels
// through those words, load limits in tenths of a volt, byte-wide fields), so a difference
// means the controller holds something else than it was sent.

#include <string>
#include <vector>

#include "config/CfgDocument.h"

namespace zelt {

// What the write-all used to encode the record.
struct WriteScales {
    double voltsPerCount = 0;
    double voltsPerPercent = 0;
    int systemVoltage = 12;
    bool rs232 = false;  // RS232 reads only the schedule slots in use; its T.C unit is finer
};

// The values the read-all reads back that differ from the sent record, one line each
// ("LVD: sent 11.10, read 11.50", or in Chinese); empty when all match. sent: the record as written (after
// adaptation); read: the record a read-all filled from construction defaults; readBack: the
// scales of that read.
std::vector<std::string> ReadBackDifferences(const CCfgDocument& sent, const WriteScales& written,
                                             const CCfgDocument& read, const WriteScales& readBack,
                                             bool english = true);

}  // namespace zelt
