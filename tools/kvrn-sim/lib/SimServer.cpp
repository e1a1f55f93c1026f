#include "kvrn/Sim.h"

namespace kvrn {

struct SimServer::Impl {
    SimOptions options;
    std::string terminalPath;
};

SimServer::SimServer(SimOptions options) : impl_(std::make_unique<Impl>()) {
    impl_->options = std::move(options);
}
SimServer::~SimServer() {
    Stop();
}
bool SimServer::Start(std::string* error) {
    if (error)
        *error = "not implemented yet";
    return false;
}
void SimServer::Stop() {}
const std::string& SimServer::TerminalPath() const {
    return impl_->terminalPath;
}
bool SimServer::PlaceAt(const std::string&, int, std::string* error) {
    if (error)
        *error = "not implemented yet";
    return false;
}
uint8_t SimServer::Register(int) const {
    return 0;
}
void SimServer::SetRegister(int, uint8_t) {}
std::vector<uint8_t> SimServer::Registers(int, int count) const {
    return std::vector<uint8_t>(count > 0 ? count : 0);
}
void SimServer::SetFault(Fault, double) {}
int SimServer::RequestsServed() const {
    return 0;
}

const char* FaultName(Fault) {
    return "none";
}
bool ParseFault(const std::string&, Fault*) {
    return false;
}
bool ValidateOptions(const SimOptions&, std::string*) {
    return true;
}

}  // namespace kvrn
