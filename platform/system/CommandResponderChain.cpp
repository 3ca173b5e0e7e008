#include "platform/system/CommandResponderChain.h"

namespace platform {

namespace {
std::vector<std::shared_ptr<SystemCommands::Responder>> withoutNull(
    std::vector<std::shared_ptr<SystemCommands::Responder>> responders) {
    std::erase(responders, nullptr);
    return responders;
}
}  // namespace

CommandResponderChain::CommandResponderChain(
    std::vector<std::shared_ptr<SystemCommands::Responder>> responders)
    : responders_(withoutNull(std::move(responders))) {}

std::optional<Shell::Result> CommandResponderChain::respond(const std::string& path,
                                                            const std::vector<std::string>& arguments,
                                                            const std::string& input) {
    for (const auto& responder : responders_)
        if (auto answer = responder->respond(path, arguments, input)) return answer;
    return std::nullopt;
}

}  // namespace platform
