#pragma once
// The fixture's port answered by a simulated controller in-process (time is the fake clock's,
// so nothing sleeps for real); `drop` decides, per request, that the controller stays silent
// this time.

#include <functional>
#include <string>

#include "kvrn/SimController.h"
#include "support/ControllerFixture.h"

namespace zelt::testing {

struct SimOnFakePort {
    SimOnFakePort(ControllerFixture& f, kvrn::SimOptions options = {})
        : fixture(f), sim(Quiet(options), f.link.clock.now, 12LL * 3600 * 1000) {
        f.link.port.onWrite = [this](FakePort& port, const Bytes& request) {
            fixture.requests.push_back(request);
            if (drop && drop(std::string(request.begin(), request.end()))) {
                return;
            }
            for (const auto& e : sim.Feed(request.data(), request.size(), fixture.link.clock.now)) {
                if (!e.reply.empty()) {
                    port.ReplyAfter(3, e.reply);
                }
            }
        };
    }
    static kvrn::SimOptions Quiet(kvrn::SimOptions o) {
        o.lineRate = false;
        return o;
    }

    ControllerFixture& fixture;
    kvrn::SimController sim;
    std::function<bool(const std::string&)> drop;
};

}  // namespace zelt::testing
