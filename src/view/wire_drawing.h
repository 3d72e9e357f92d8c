#pragma once
// Wire-frame drawing of every model-object class. The model knows nothing of the view; the
// view dispatches on the class number here.
#include <span>
#include <string>
#include <vector>

#include "kernel/point3.h"
#include "model/model_object.h"
#include "view/line_renderer.h"

namespace orv {

// Draws `object` in display mode `mode` with the pen the caller has set (setObjectPen):
//  10 quick wire frame: curves at half level, surfaces by their middle CV row and column,
//     facet objects by one edge every few faces, no CVs;
//   0 normal wire frame: iso-curves of the CV nets, CVs and CV group numbers, picked CVs in
//     the pick colour;
//  20 mesh wire frame: surfaces as their evaluated grid without CVs, curves as in mode 0;
//  negative modes (feedback of operations): as mode 0 without the picked-CV highlight, and
//     facet objects with fewer faces.
// Placed objects (blocks, gem instances) draw through their placement; T-lines use the
// renderer's depth axis.
void drawObject(const ModelObject& object, LineRenderer& renderer, int mode);

// Number drawn beside a run of consecutive coinciding CVs: "4" for one CV, "4.5" for two,
// "4..6" for more. `first` is the CV the label is drawn at.
struct CvLabel {
    int first = 0;
    std::string text;
    friend bool operator==(const CvLabel&, const CvLabel&) = default;
};
std::vector<CvLabel> cvGroupLabels(std::span<const Point3> cvs);

// Facet objects with this many faces or more show one edge per face in mode 0.
inline constexpr size_t kDenseFacetFaces = 4097;
// Faces between drawn faces (1 = every face) of a facet object of `faces` faces in `mode`.
size_t facetFaceStep(size_t faces, int mode);

}  // namespace orv
