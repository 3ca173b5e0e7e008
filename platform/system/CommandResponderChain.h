#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/system/SystemCommands.h"

namespace platform {

// Several responders that stand for the system's tools together, where the command runner holds only
// one: a command is offered to each in order and the first answer is taken; a command none of them
// answers runs. Fixed when made, so it answers from any thread.
class CommandResponderChain : public SystemCommands::Responder {
public:
    // Null responders are left out.
    explicit CommandResponderChain(std::vector<std::shared_ptr<SystemCommands::Responder>> responders);

    std::optional<Shell::Result> respond(const std::string& path, const std::vector<std::string>& arguments,
                                         const std::string& input) override;

private:
    const std::vector<std::shared_ptr<SystemCommands::Responder>> responders_;
};

}  // namespace platform
