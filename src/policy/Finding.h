#pragma once
// Finding controllers, as every front end tells it: what Auto Detect's walk found and the
// message that says so, and a bus scan with the controllers it found and where it is. The
// walks themselves are the link's (link/Discovery.h, link/BusScan.h); the seek walk needs no
// verdict beyond its step result.

#include <optional>
#include <string>
#include <vector>

#include "base/Bilingual.h"
#include "link/BusScan.h"
#include "link/Discovery.h"

namespace zelt {

// What the user is told after Auto Detect.
struct DetectVerdict {
    bool found = false;
    std::string text;     // "Controller is found at COM3." or the failure
    std::string caption;  // "Detect OK" or "Detect Fail"
};
DetectVerdict JudgeDetect(const DetectResult& result, bool english);

inline constexpr Bilingual kNoControllerOnBus{"No controller answered on the bus.",
                                              "匯流排上沒有控制器回應."};

// A bus scan one step at a time, keeping every controller that answered.
class BusScanRun {
  public:
    explicit BusScanRun(CBusScan& scan) : scan_(scan) {}

    bool Done() const { return scan_.Done(); }
    // Probes the next ID; the controller when one answered.
    std::optional<BusController> Step();
    const std::vector<BusController>& Found() const { return found_; }
    // "Scanning RS485 ID 7 (7 of 255), 1 found ..." while it runs, "2 controller(s) found."
    // once done.
    std::string ProgressText(bool english) const;
    static std::string FoundText(int count, bool english);

  private:
    CBusScan& scan_;
    std::vector<BusController> found_;
};

}  // namespace zelt
