#include "ops/transform.h"

#include <cmath>
#include <numbers>

#include "model/document.h"
#include "model/layers.h"
#include "model/objects.h"

namespace orv {

bool hasPickedCvs(const ModelObject& o) {
    if (auto* cv = dynamic_cast<const CvObject*>(&o)) {
        if (cv->hideCv) return false;
        for (uint32_t f : cv->cvFlags)
            if (f) return true;
        return false;
    }
    if (auto* b = dynamic_cast<const BooleanObject*>(&o)) {
        bool any = false;
        b->children.forEach([&](const ModelObject& c) { any = any || (c.visible() && hasPickedCvs(c)); });
        return any;
    }
    return false;
}

namespace {

bool applyWhere(Document& doc, bool objectAxis, const Matrix4& M, const LayerTable* layers) {
    bool changed = false;
    ObjectList::Cursor c;
    while (ModelObject* o = doc.objects().nextObject(c, -1)) {
        if (!o->visible()) continue;
        if (layers && !layers->pickable(o->layer)) continue;
        bool selected = o->state == objstate::kPicked;
        if (!selected && !hasPickedCvs(*o)) continue;
        Matrix4 m = objectAxis ? inverse(o->axisFrame) * M * o->axisFrame : M;
        doc.record(o, RecordType::Transformed);
        o->transform(m, selected);
        changed = true;
    }
    return changed;
}

}  // namespace

bool applyTransform(Document& doc, bool objectAxis, const Matrix4& M) {
    return applyWhere(doc, objectAxis, M, nullptr);
}

bool applyTransform(Document& doc, bool objectAxis, const Matrix4& M, const LayerTable& layers) {
    return applyWhere(doc, objectAxis, M, &layers);
}

void TransformArgs::clickRow(Row row) {
    if (rows & row) {
        rows = row;
        return;
    }
    rows |= row;
    if (row == kSize) rows &= ~kScale;
    if (row == kScale) rows &= ~kSize;
}

Matrix4 TransformArgs::matrix(const ViewAxes& axes) const {
    // The view's third screen axis points toward the viewer, which is the dialog's "In / Out".
    auto axisOf = [&](int k) { return axes.axis[k]; };
    auto signOf = [&](int k) { return axes.sign[k]; };
    Matrix4 T = Matrix4::identity(), S = Matrix4::identity(), R = Matrix4::identity();
    if (rows & kMove)
        for (int k = 0; k < 3; ++k) T(3, axisOf(k)) += static_cast<float>(signOf(k) * move[k]);
    if (rows & kSize)
        for (int k = 0; k < 3; ++k) S(k, k) = static_cast<float>(size);
    if (rows & kScale)
        for (int k = 0; k < 3; ++k) S(axisOf(k), axisOf(k)) = static_cast<float>(scale[k]);
    if (rows & kRotate) {
        std::array<Matrix4, 3> byAxis{Matrix4::identity(), Matrix4::identity(), Matrix4::identity()};
        for (int k = 0; k < 3; ++k) {
            int a = axisOf(k);
            double t = signOf(k) * rotate[k] * std::numbers::pi / 180.0;
            // Turns axis (a+1) toward (a+2), the right-handed sense about axis a.
            int p = (a + 1) % 3, q = (a + 2) % 3;
            Matrix4& m = byAxis[a];
            m(p, p) = m(q, q) = static_cast<float>(std::cos(t));
            m(p, q) = static_cast<float>(std::sin(t));
            m(q, p) = static_cast<float>(-std::sin(t));
        }
        R = byAxis[2] * byAxis[1] * byAxis[0];
    }
    return R * S * T;
}

namespace {

DialogField<TransformArgs> rowSwitch(std::string label, TransformArgs::Row row) {
    return {std::move(label),
            {},
            [row](TransformArgs& a, std::string_view t) -> std::string {
                auto v = parseCheck(t);
                if (!v) return "\"" + std::string(t) + "\" is neither on nor off";
                if (*v != bool(a.rows & row)) {
                    if (*v) {
                        a.clickRow(row);
                    } else {
                        a.rows &= ~row;
                    }
                }
                return {};
            },
            [row](const TransformArgs& a) { return std::string(a.rows & row ? "1" : "0"); }};
}

DialogField<TransformArgs> edit(std::string label, std::array<double, 3> TransformArgs::*row,
                                int k) {
    return {std::move(label),
            {},
            [row, k](TransformArgs& a, std::string_view t) -> std::string {
                auto v = parseNumber(t);
                if (!v) return "\"" + std::string(t) + "\" is not a number";
                (a.*row)[k] = *v;
                return {};
            },
            [row, k](const TransformArgs& a) { return formatNumber((a.*row)[k]); }};
}

}  // namespace

const std::vector<DialogField<TransformArgs>>& TransformArgs::fields() {
    static const auto list = [] {
        std::vector<DialogField<TransformArgs>> f;
        const char* dirs[3] = {"Horizontal", "Vertical", "In / Out"};
        f.push_back(rowSwitch("Move", kMove));
        for (int k = 0; k < 3; ++k) f.push_back(edit(std::string("Move ") + dirs[k], &TransformArgs::move, k));
        f.push_back(rowSwitch("Size", kSize));
        f.push_back(numberField("Size factor", &TransformArgs::size));
        f.push_back(rowSwitch("Scale", kScale));
        for (int k = 0; k < 3; ++k) f.push_back(edit(std::string("Scale ") + dirs[k], &TransformArgs::scale, k));
        f.push_back(rowSwitch("Rotate", kRotate));
        for (int k = 0; k < 3; ++k) f.push_back(edit(std::string("Rotate ") + dirs[k], &TransformArgs::rotate, k));
        f.push_back(radioField("World origin", &TransformArgs::objectAxis, false, true));
        f.push_back(radioField("Object axis", &TransformArgs::objectAxis, true, false));
        return withDefaults(std::move(f));
    }();
    return list;
}

const std::vector<DialogField<TransformSeriesArgs>>& TransformSeriesArgs::fields() {
    static const auto list = [] {
        auto f = fieldsAs<TransformSeriesArgs>(TransformArgs::fields());
        f.push_back(integerField("Copy No.", &TransformSeriesArgs::copyNo));
        return withDefaults(std::move(f));
    }();
    return list;
}

std::string validate(const TransformSeriesArgs& a) {
    if (a.copyNo < 2 || a.copyNo > 10000) return "Copy No. must be a whole number from 2 to 10000";
    return validate(static_cast<const TransformArgs&>(a));
}

std::string validate(const TransformArgs& a) {
    auto finite = [](double v) { return std::isfinite(v); };
    for (double v : a.move)
        if (!finite(v)) return "the move distances must be finite numbers";
    for (double v : a.rotate)
        if (!finite(v)) return "the angles must be finite numbers";
    if ((a.rows & TransformArgs::kSize) && (!finite(a.size) || a.size == 0.0))
        return "the size factor must be a finite number other than 0";
    if (a.rows & TransformArgs::kScale)
        for (double v : a.scale)
            if (!finite(v) || v == 0.0) return "the scale factors must be finite numbers other than 0";
    return {};
}

}  // namespace orv
