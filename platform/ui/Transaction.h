#pragma once

#include <functional>
#include <memory>

#include "platform/ui/LayerAnimation.h"

namespace platform::ui {

// Groups layer changes. Transactions nest; an implicit one opens at the first change of a run-loop turn
// and is committed at the end of that turn. A completion runs once every animation added in its
// transaction and in the transactions nested in it has ended (the next turn when there were none).
class Transaction {
public:
    static void begin();
    static void commit();
    // Commits the implicit transaction, if one is open (the end of a turn).
    static void commitImplicit();

    static double animationDuration();
    static void setAnimationDuration(double seconds);
    static std::optional<TimingFunction> animationTimingFunction();
    static void setAnimationTimingFunction(std::optional<TimingFunction> function);
    static bool disableActions();
    static void setDisableActions(bool flag);
    static void setCompletionBlock(std::function<void()> completion);

    // An animation was added while the transaction is open: its completion waits for it.
    static void noteAnimation(const Animation& animation);
    // How deep the open transactions go (the implicit one counts).
    static int depth();
    static void resetForTesting();
};

}  // namespace platform::ui
