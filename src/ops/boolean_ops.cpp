#include "ops/boolean_ops.h"

#include "model/boolean_commands.h"
#include "model/document.h"
#include "view/picking.h"

namespace orv {

void SubtractOperation::onLeftUp(int, int x, int y) {
    Document* doc = document();
    OperationView* v = host().currentView();
    if (!doc || !v) return;
    ModelObject* base = pickObjectAt(v->camera(), doc->objects(), host().layers(), host().pick, x, y, 0);
    if (!base || !acceptsSubtractBase(*doc, base)) {
        host().showStatusId(kPickSubtractBase.id);
        return;
    }
    doc->beginStep();
    subtractObjects(*doc, *base);
    host().redrawAllViews();
    // Done: picking takes over again once this event is over.
    host().postCommand(opcmd::kPick);
}

bool startSubtract(Interaction& interaction) {
    if (!interaction.currentView()) return false;
    interaction.installCommand(std::make_unique<SubtractOperation>(interaction));
    interaction.showStatusId(kPickSubtractBase.id);
    return true;
}

}  // namespace orv
