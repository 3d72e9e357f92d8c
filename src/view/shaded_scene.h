#pragma once
// Fast shading as data: what a view shows in the fast-shading mode, as triangle meshes with
// normals and colours in world coordinates, plus the fixed-function state to draw them with.
// The platform view feeds it to OpenGL 1.1 (vertex and normal arrays, one draw per mesh);
// nothing here touches OpenGL.
#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "kernel/bspline.h"
#include "kernel/matrix4.h"
#include "view/display_settings.h"

namespace orv {

class LayerTable;
class ModelObject;
class ObjectList;
class ViewCamera;

// Objects a running operation shows in place of (or besides) the model, drawn through
// `transform` (applied before the view).
struct PreviewSet {
    std::vector<const ModelObject*> objects;
    Matrix4 transform = Matrix4::identity();
};

// One object's shaded geometry. Vertices and normals are world coordinates; every triangle
// turns counter-clockwise seen from the side its vertex normals point to.
struct ShadedMesh {
    const ModelObject* object = nullptr;  // the document object shown (nullptr: preview)
    uint32_t colour = 0;                  // diffuse colour of front and back faces
    std::vector<float> positions;         // x, y, z per vertex
    std::vector<float> normals;           // unit x, y, z per vertex
    std::vector<uint32_t> indices;        // three per triangle

    size_t vertexCount() const { return positions.size() / 3; }
    size_t triangleCount() const { return indices.size() / 3; }
    void clear();
};

// A curve or T-line drawn as mode-20 wires over the shaded image, with its object pen.
struct ShadedOverlay {
    const ModelObject* object = nullptr;
    uint32_t colour = 0;
};

// Fixed-function state for a fast-shading pass. Arrays are ready for the GL calls that take
// them (matrices column-major as glLoadMatrixf expects). Besides what is listed: light 0,
// lighting, depth test, vertex and normal arrays enabled; line, point and polygon smoothing
// and the scissor test disabled; one-sided lighting; no face culling.
struct ShadingSetup {
    int width = 0, height = 0;
    // Scale (c * height / width, c, 0.02 c), c = zoom / halfHeight: the visible depth is
    // +-50 * halfHeight / zoom eye units.
    std::array<float, 16> projection{};
    // The view matrix as it is: a row-vector matrix read column-major is the same mapping.
    std::array<float, 16> modelView{};
    std::array<float, 4> clearColour{};
    // Nearer points have larger depth: clear to 0 and pass fragments with GL_GEQUAL.
    float clearDepth = 0.0f;
    bool depthGreaterEqual = true;
    bool normalize = true;  // GL_NORMALIZE: placements may scale
    // Light 0 as the fixed-function pipeline defines it: a white directional light from the
    // viewer. Material: the mesh colour as diffuse, the pipeline's default ambient, no
    // specular part.
    std::array<float, 4> lightPosition{0.0f, 0.0f, 1.0f, 0.0f};
    std::array<float, 4> lightAmbient{0.0f, 0.0f, 0.0f, 1.0f};
    std::array<float, 4> lightDiffuse{1.0f, 1.0f, 1.0f, 1.0f};
    std::array<float, 4> lightSpecular{1.0f, 1.0f, 1.0f, 1.0f};
    std::array<float, 4> materialAmbient{0.2f, 0.2f, 0.2f, 1.0f};
    std::array<float, 4> materialSpecular{0.0f, 0.0f, 0.0f, 1.0f};
    // A depth value d read back from the depth buffer (0..1) becomes the window depth of the
    // view's full transform as depthToWindowZ * (2d - 1), with rows flipped (GL counts from
    // the bottom).
    float depthToWindowZ = 0.0f;

    float windowDepth(float d) const { return depthToWindowZ * (2.0f * d - 1.0f); }
};

// Splits a planar polygon with holes into triangles (indices: outer points first, then each
// hole's). The application passes the mesh output's triangulator; without one, caps are
// cut by ear clipping and holes are not cut out.
using CapTriangulator = std::function<std::vector<std::array<uint32_t, 3>>(
    std::span<const Point3> outer, std::span<const PointArray> holes)>;

struct ShadedSceneOptions {
    DisplayColours colours;
    const LayerTable* layers = nullptr;  // nullptr: the default table
    const PreviewSet* preview = nullptr;
    CapTriangulator triangulate;
    // A surface direction evaluates at most about this many points: its level is lowered,
    // not below 1, while CVs x level exceeds it.
    int maxPointsPerDirection = 256;
};

struct ShadedScene {
    ShadingSetup setup;
    std::vector<ShadedMesh> meshes;  // document objects in list order, then previews
    std::vector<ShadedOverlay> overlay;

    size_t triangleCount() const;
};

ShadingSetup shadingSetup(const ViewCamera& camera, const DisplayColours& colours);

// Every shown object (state normal or picked, on a visible layer, in the view) except curves
// and T-lines as a mesh in its colour (the pick colour when picked, else its layer's); curves
// and T-lines as overlay entries; previews in the pick colour. `camera` must have been
// applied. Reuses the arrays of `scene`.
void buildShadedScene(const ViewCamera& camera, const ObjectList& objects,
                      const ShadedSceneOptions& options, ShadedScene& scene);
ShadedScene buildShadedScene(const ViewCamera& camera, const ObjectList& objects,
                             const ShadedSceneOptions& options);

// Appends the shaded geometry of one object, transformed by M, to `mesh`: surfaces as their
// evaluated grid (with end caps where a closed direction has open ends), facet objects face
// by face, Booleans by their shown children, blocks and gem instances through their
// placements. Curves, T-lines and degenerate objects add nothing.
void appendShadedGeometry(const ModelObject& object, const Matrix4& M, ShadedMesh& mesh,
                          const ShadedSceneOptions& options = {});

// Where the platform view sends a fast-shading pass.
class ShadedSceneSink {
public:
    virtual ~ShadedSceneSink() = default;
    virtual void drawShaded(const ShadedScene& scene) = 0;
};

}  // namespace orv
