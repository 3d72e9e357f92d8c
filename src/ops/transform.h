#pragma once
#include <array>
#include <string>
#include <vector>

#include "curves/dialog_fields.h"
#include "kernel/matrix4.h"
#include "kernel/view_axes.h"

namespace orv {

class Document;
class LayerTable;
class ModelObject;

// Applies M to what is picked: selected objects as a whole, and in unselected objects only
// their picked CVs (objects without picked CVs are left alone and unrecorded). In object-axis
// mode each object turns about its own frame: inverse(F) * M * F. One record per object
// changed, into the step the caller has begun. Returns whether anything changed.
bool applyTransform(Document& doc, bool objectAxis, const Matrix4& M);
// The same for the mouse operations, which also leave alone objects on layers that are hidden
// or not pickable: what the user can neither see nor pick never moves under the pointer.
bool applyTransform(Document& doc, bool objectAxis, const Matrix4& M, const LayerTable& layers);

// Whether an unselected object would take part in applyTransform: it has picked CVs that are
// not hidden, itself or in a shown child of its Boolean.
bool hasPickedCvs(const ModelObject& object);

// Values of the numeric Transform dialog. The three edits of each row are in screen terms:
// horizontal, vertical, in / out (toward the viewer).
struct TransformArgs {
    enum Row : int { kMove = 1, kSize = 2, kScale = 4, kRotate = 8 };
    int rows = kMove;
    std::array<double, 3> move{1.0, 0.0, 0.0};
    double size = 1.0;
    std::array<double, 3> scale{1.0, 1.0, 1.0};
    std::array<double, 3> rotate{90.0, 0.0, 0.0};
    bool objectAxis = false;

    // Clicking a row's button: a row already on becomes the only one; a row that is off is
    // added, Size and Scale excluding each other.
    void clickRow(Row row);
    // The world matrix R * S * T for a view's axes (rotation, then scaling, then translation,
    // all about the world origin); only rows that are on take part.
    Matrix4 matrix(const ViewAxes& axes) const;

    // Row switches "Move", "Size", "Scale", "Rotate" (on/off); edits "Move Horizontal",
    // "Move Vertical", "Move In / Out", "Size factor", "Scale Horizontal", ...,
    // "Rotate In / Out"; radio buttons "World origin" and "Object axis".
    static const std::vector<DialogField<TransformArgs>>& fields();
};

std::string validate(const TransformArgs& args);

// The Transform dialog with "Copy No." shown, as the transform surface and copy series use it:
// the copies carry the matrix to the powers 1 ... copies - 1.
struct TransformSeriesArgs : TransformArgs {
    int copyNo = 2;
    // TransformArgs' labels and "Copy No.".
    static const std::vector<DialogField<TransformSeriesArgs>>& fields();
};

std::string validate(const TransformSeriesArgs& args);

}  // namespace orv
