#pragma once
#include "ops/operation.h"

namespace orv {

inline constexpr int kSubtractCommand = 9002;

// Subtract with the mouse: the picked objects are subtracted from the object the user picks
// next. A click that finds no usable base keeps asking.
class SubtractOperation final : public Operation {
public:
    explicit SubtractOperation(Interaction& host) : Operation(host) {}
    int commandId() const override { return kSubtractCommand; }
    void onLeftUp(int flags, int x, int y) override;
};

// Installs the subtract operation in the current view and shows its prompt. False when there
// is no view to pick in.
bool startSubtract(Interaction& interaction);

}  // namespace orv
